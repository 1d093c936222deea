// The round trip of every procedure, run over every carrier by carrier_test.cpp:
// the server decodes the arguments that were sent, and the out values come
// back into the caller's storage. Expects a fresh signsim behind the
// process's binding.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "zeltrpc.h"

namespace zeltrpc_test {

struct RoundTrip {
  const char* call;  // the call as the server decoded it
  std::function<uint32_t()> run;
  std::function<void()> check;
  uint32_t status = 0;
};

// `lastCallText` describes the last call the server ran.
inline void checkEveryProcedure(const std::function<std::string()>& lastCallText) {
  char b1[256], b2[256];
  uint32_t s1 = 0, s2 = 0;
  int32_t v[5] = {};
  auto text1 = [&] { return std::string(b1, s1); };
  auto text2 = [&] { return std::string(b2, s2); };
  const std::vector<RoundTrip> cases = {
      {"Ping()", [] { return zeltPing(); }, [] {}},
      {"PlaySequence(\"SIGN1\", \"LEADERS\", 7, -3)",
       [] { return zeltPlaySequence("SIGN1", "LEADERS", 7, -3); }, [] {}},
      {"GetStatus(\"sign1\", 256)", [&] { return zeltGetStatus("sign1", b1, sizeof b1, &s1); },
       [&] {
         EXPECT_EQ(
             text1(),
             "sign=SIGN1 state=playing sequence=LEADERS frame=0 dim=100,100 queue=0 schedule=-");
       }},
      {"SelectFrame(\"SIGN1\", 4)", [] { return zeltSelectFrame("SIGN1", 4); }, [] {}},
      {"SingleStepFrame(\"SIGN1\", 2)", [] { return zeltSingleStepFrame("SIGN1", 2); }, [] {}},
      {"GetFrameStatus(\"SIGN1\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltGetFrameStatus("SIGN1", b1, &s1, &v[0], &v[1], &v[2], &v[3], &v[4]);
       },
       [&] {
         EXPECT_EQ(text1(), "frame 6 of LEADERS");
         EXPECT_EQ(std::vector<int32_t>(v, v + 5), (std::vector<int32_t>{6, 12, 1, 7, 0}));
       }},
      {"RunSchedule(\"SIGN2\", \"GAMEDAY\", 1)",
       [] { return zeltRunSchedule("SIGN2", "GAMEDAY", 1); }, [] {}},
      {"GetSchedChangeFlag(\"SIGN2\")", [&] { return zeltGetSchedChangeFlag("SIGN2", &v[0]); },
       [&] { EXPECT_EQ(v[0], 1); }},
      {"GetSchedule(\"SIGN2\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltGetSchedule("SIGN2", &s1, b1, &v[0]);
       },
       [&] {
         EXPECT_EQ(text1(), "GAMEDAY 19:00-23:00");
         EXPECT_EQ(v[0], 1);
       }},
      {"QueueSequence(\"SIGN2\", \"SCORES\", 1, 2)",
       [] { return zeltQueueSequence("SIGN2", "SCORES", 1, 2); }, [] {}},
      {"QueueSequence(\"SIGN2\", \"WELCOME\", 3, 4)",
       [] { return zeltQueueSequence("SIGN2", "WELCOME", 3, 4); }, [] {}},
      {"GetQueue(\"SIGN2\", 256)", [&] { return zeltGetQueue("SIGN2", b1, sizeof b1, &s1); },
       [&] { EXPECT_EQ(text1(), "SCORES,WELCOME"); }},
      {"GetSchedSeqStatus(\"SIGN2\", 256, 100, 40)",
       [&] {
         s1 = sizeof b1;
         s2 = 100;
         v[0] = 40;
         return zeltGetSchedSeqStatus("SIGN2", b1, &s1, b2, &s2, &v[0]);
       },
       [&] {
         EXPECT_EQ(text1(), "GAMEDAY");
         EXPECT_EQ(text2(), "");
         EXPECT_EQ(v[0], 42);
       }},
      {"NextItem(\"SIGN2\")", [] { return zeltNextItem("SIGN2"); }, [] {}},
      {"ClearQueue(\"SIGN2\")", [] { return zeltClearQueue("SIGN2"); }, [] {}},
      {"EndSchedule(\"SIGN2\")", [] { return zeltEndSchedule("SIGN2"); }, [] {}},
      {"GetChangeFlag(\"SIGN2\")", [&] { return zeltGetChangeFlag("SIGN2", &v[0]); },
       [&] { EXPECT_EQ(v[0], 1); }},
      {"SetDefaultSequence(\"SIGN1\", \"WELCOME\", 5, 6)",
       [] { return zeltSetDefaultSequence("SIGN1", "WELCOME", 5, 6); }, [] {}},
      {"GetDefaultSequence(\"SIGN1\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltGetDefaultSequence("SIGN1", b1, &s1, &v[0], &v[1]);
       },
       [&] {
         EXPECT_EQ(text1(), "WELCOME");
         EXPECT_EQ(v[0], 5);
         EXPECT_EQ(v[1], 6);
       }},
      {"StopSequence(\"SIGN1\")", [] { return zeltStopSequence("SIGN1"); }, [] {}},
      {"BlankSign(\"SIGN1\")", [] { return zeltBlankSign("SIGN1"); }, [] {}},
      {"GetEffectStatus(\"SIGN1\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltGetEffectStatus("SIGN1", &v[0], b1, &s1);
       },
       [&] {
         EXPECT_EQ(text1(), "effect none");
         EXPECT_EQ(v[0], 0);
       }},
      {"SetDimming(\"SIGN1\", 30, 40)", [] { return zeltSetDimming("SIGN1", 30, 40); }, [] {}},
      {"CheckSequence(\"SIGN1\", \"NOSUCH\")", [] { return zeltCheckSequence("SIGN1", "NOSUCH"); },
       [] {}, 1168},
      {"GetPhotocell(\"SCOREBOARD\")", [&] { return zeltGetPhotocell("SCOREBOARD", &v[0]); },
       [&] { EXPECT_EQ(v[0], 300); }},
      {"GetConfig(\"SIGN1\", 256)", [&] { return zeltGetConfig("SIGN1", b1, sizeof b1, &s1); },
       [&] { EXPECT_EQ(text1(), "sign=SIGN1 rows=16 columns=96 colors=3 ports=4"); }},
      {"GetBulb(\"SIGN1\", 256)", [&] { return zeltGetBulb("SIGN1", b1, sizeof b1, &s1, nullptr); },
       [&] { EXPECT_EQ(text1(), "bulbs=1536 failed=0"); }},
      {"GetBulbEx(\"SIGN1\", 256)",
       [&] {
         v[0] = 99;
         return zeltGetBulb("SIGN1", b1, sizeof b1, &s1, &v[0]);
       },
       [&] { EXPECT_EQ(v[0], 0); }},
      {"ListSigns(256)", [&] { return zeltListSigns(b1, sizeof b1, &s1); },
       [&] { EXPECT_EQ(text1(), "SIGN1,SIGN2,SCOREBOARD"); }},
      {"ListServers(256, 1)", [&] { return zeltListServers(b1, sizeof b1, &s1, 1); },
       [&] { EXPECT_EQ(text1(), "SIGNSERVER,BACKUP"); }},
      {"WindowEnable(\"SIGN1\", 2, 1)", [] { return zeltWindowEnable("SIGN1", 2, 1); }, [] {}},
      {"WindowMove(\"SIGN1\", 2, 10, 20)", [] { return zeltWindowMove("SIGN1", 2, 10, 20); },
       [] {}},
      {"ListWindows(\"SIGN1\", 256)", [&] { return zeltListWindows("SIGN1", b1, sizeof b1, &s1); },
       [&] { EXPECT_EQ(text1(), "1:on:0,0,0;2:on:10,20,0"); }},
      {"QueueWindowEnable(\"SIGN1\", 1, 0)", [] { return zeltQueueWindowEnable("SIGN1", 1, 0); },
       [] {}},
      {"QueueWindowMove(\"SIGN1\", 1, 5, 6)", [] { return zeltQueueWindowMove("SIGN1", 1, 5, 6); },
       [] {}},
      {"SetRealTimeData(3, [4] \"ab\\x00d\", 4, 9, 0)",
       [] { return zeltSetRealTimeData(3, "ab\0d", 4, 9); }, [] {}},
      {"GetRealTimeData(3, 6, 9, 0)",
       [&] {
         std::memset(b1, '#', 8);
         return zeltGetRealTimeData(3, b1, 6, 9);
       },
       [&] { EXPECT_EQ(std::string(b1, 8), std::string("ab\0d\0\0##", 8)); }},
      {"SendRealTimeDataPort(2, [3] \"xyz\", 3)",
       [] { return zeltSendRealTimeDataPort(2, "xyz", 3); }, [] {}},
      {"ShowFrame(\"SIGN1\", [2] \"\\x01\\xFF\", 2)",
       [] { return zeltShowFrame("SIGN1", "\x01\xff", 2); }, [] {}},
      {"VLSendBrightness(\"SIGN1\", 11)", [] { return zeltVLSendBrightness("SIGN1", 11); }, [] {}},
      {"VLGetChangeFlag(\"SIGN1\")", [&] { return zeltVLGetChangeFlag("SIGN1", &v[0]); },
       [&] { EXPECT_EQ(v[0], 1); }},
      {"VLSendContrast(\"SIGN1\", 12)", [] { return zeltVLSendContrast("SIGN1", 12); }, [] {}},
      {"VLSendSaturation(\"SIGN1\", 13)", [] { return zeltVLSendSaturation("SIGN1", 13); }, [] {}},
      {"VLSendHue(\"SIGN1\", -14)", [] { return zeltVLSendHue("SIGN1", -14); }, [] {}},
      {"VLReadBCHS(\"SIGN1\")", [&] { return zeltVLReadBCHS("SIGN1", &v[0], &v[1], &v[2], &v[3]); },
       [&] {
         EXPECT_EQ(std::vector<int32_t>(v, v + 4), (std::vector<int32_t>{11, 12, -14, 13}));
       }},
      {"VLGetStatus(\"SIGN1\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltVLGetStatus("SIGN1", b1, &s1);
       },
       [&] { EXPECT_EQ(text1(), "brightness=11 contrast=12 saturation=13 hue=-14"); }},
      {"VLSendFormat(\"SIGN1\", 2)", [] { return zeltVLSendFormat("SIGN1", 2); }, [] {}},
      {"VLSendInput(\"SIGN1\", 3)", [] { return zeltVLSendInput("SIGN1", 3); }, [] {}},
      {"VLSendSource(\"SIGN1\", 4)", [] { return zeltVLSendSource("SIGN1", 4); }, [] {}},
      {"VLReadFmtInpSrc(\"SIGN1\")",
       [&] { return zeltVLReadFmtInpSrc("SIGN1", &v[0], &v[1], &v[2]); },
       [&] {
         EXPECT_EQ(std::vector<int32_t>(v, v + 3), (std::vector<int32_t>{2, 3, 4}));
       }},
      {"VLGetConfig(\"SIGN1\", 256)",
       [&] {
         s1 = sizeof b1;
         return zeltVLGetConfig("SIGN1", b1, &s1);
       },
       [&] { EXPECT_EQ(text1(), "format=2 input=3 source=4"); }},
      {"VLSendViewableArea(\"SIGN1\", 1, 2, 3, 4)",
       [] { return zeltVLSendViewableArea("SIGN1", 1, 2, 3, 4); }, [] {}},
      {"VLReadViewableArea(\"SIGN1\")",
       [&] { return zeltVLReadViewableArea("SIGN1", &v[0], &v[1], &v[2], &v[3]); },
       [&] {
         EXPECT_EQ(std::vector<int32_t>(v, v + 4), (std::vector<int32_t>{1, 2, 3, 4}));
       }},
      {"VLSendWindow(\"SIGN1\", -1, -2, 300, 400)",
       [] { return zeltVLSendWindow("SIGN1", -1, -2, 300, 400); }, [] {}},
      {"VLReadWindow(\"SIGN1\")",
       [&] { return zeltVLReadWindow("SIGN1", &v[0], &v[1], &v[2], &v[3]); },
       [&] {
         EXPECT_EQ(std::vector<int32_t>(v, v + 4), (std::vector<int32_t>{-1, -2, 300, 400}));
       }},
      {"GetStatus(\"NOSIGN\", 256)", [&] { return zeltGetStatus("NOSIGN", b1, sizeof b1, &s1); },
       [] {}, 2},
  };
  std::vector<std::string> seen;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(c.run(), c.status);
    EXPECT_EQ(lastCallText(), c.call);
    c.check();
    std::string name(c.call, std::strchr(c.call, '('));
    if (std::find(seen.begin(), seen.end(), name) == seen.end()) seen.push_back(name);
  }
  EXPECT_EQ(seen.size(), 54u);
}

}  // namespace zeltrpc_test
