// Send Request against the stand-in sign service, through the real view,
// document and sender (a scripted dialog answers at once):
//
//   SendToArrival        from the command to the packet's arrival at the
//                        service; median and 90th percentile over 200 sends.
//   UiThreadPerSend/1000 the time the calling (user-interface) thread spends
//                        per send while the service takes 1 s to answer each
//                        one: the command itself plus the handling of its
//                        result, each report kept in the Send Log's table
//                        and its outcome appended to the journal, as the
//                        window does. The rest of the second is the worker's.
//   SilentServiceToReport from the command to the failure's report while the
//                        service never answers in time, with the call
//                        time-out (ZELTRPC_TIMEOUT_MS) at 300 ms: the send
//                        must end shortly after the time-out, never hang.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"
#include "shell/send_log.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "tools/signsim/server.h"
#include "transmit/send_journal.h"
#include "transmit/send_request.h"

namespace corvella {
namespace {

using Clock = std::chrono::steady_clock;

const char kRequests[] =
    "[REQ1]\r\nName=Points Leaders\r\nTeam=I\r\nTop3=N\r\nGame=G\r\nSign=3\r\nMode=Continuous\r\n"
    "Times=5\r\nDrive=C\r\nLibrary=SCORES\r\nSequence=LEADERS\r\nFrame=0\r\nOffset=120\r\n";

// The program on one request, with a sign service answering after `delayMs`.
struct Program {
  explicit Program(int delayMs) {
    ::setenv("ZELTRPC_DIR", (dir.Path() + "sock").c_str(), 1);
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n");
    dir.Write("BASK.REQ", kRequests);
    signsim::Options options;
    options.dir = dir.Path() + "sock";
    options.delayMs = delayMs;
    server = std::make_unique<signsim::SignServer>(options, [this](const std::string& line) {
      if (line.find("packet header") == std::string::npos) return;
      std::lock_guard lock(mutex);
      arrived = Clock::now();
      ++arrivals;
      changed.notify_all();
    });
    std::string error;
    if (!server->start(error)) std::abort();
    profile = std::make_unique<AppProfile>(dir.File("CORVELLA.INI"));
    doc = std::make_unique<CCorvellaDoc>(*profile, ui);
    view = std::make_unique<CCorvellaView>(*doc, ui);
    sender = std::make_unique<RequestSender>(*view, *doc, ui);
    view->Connect({.sending = sender.get()});
    view->OnInitialUpdate();
    view->GetListCtrl().SetHasFocus(true);
    view->GetListCtrl().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    // What the window does with every report: the Send Log keeps it, the
    // journal writes its outcome.
    journal = std::make_unique<SendJournal>(dir.Path() + "state", dir.Path());
    sender->Ledger().Observe([this](const SendReport& report) {
      log.Record(report);
      journal->Append(report);
    });
    // As the window's event loop would: results are queued for this thread.
    sender->SetPoster([this](std::function<void()> task) {
      std::lock_guard lock(mutex);
      posted.push_back(std::move(task));
      changed.notify_all();
    });
  }
  ~Program() {
    sender.reset();
    server.reset();
  }

  // Waits for the next result the worker hands back.
  std::function<void()> NextPosted() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return !posted.empty(); });
    std::function<void()> task = std::move(posted.front());
    posted.erase(posted.begin());
    return task;
  }

  // Waits until `count` packets have arrived; the time of the last one.
  Clock::time_point WaitForArrivals(int count) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return arrivals >= count; });
    return arrived;
  }

  TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<signsim::SignServer> server;
  std::unique_ptr<AppProfile> profile;
  std::unique_ptr<CCorvellaDoc> doc;
  std::unique_ptr<CCorvellaView> view;
  std::unique_ptr<RequestSender> sender;
  SendLogModel log;
  std::unique_ptr<SendJournal> journal;
  std::mutex mutex;
  std::condition_variable changed;
  Clock::time_point arrived;
  int arrivals = 0;
  std::vector<std::function<void()>> posted;
};

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void SendToArrival(benchmark::State& state) {
  Program program(0);
  std::vector<double> micros;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    program.view->OnSendRequest();
    const Clock::time_point arrived = program.WaitForArrivals(static_cast<int>(micros.size()) + 1);
    program.NextPosted()();
    micros.push_back(std::chrono::duration<double, std::micro>(arrived - start).count());
    state.SetIterationTime(std::chrono::duration<double>(arrived - start).count());
  }
  state.counters["median_us"] = Percentile(micros, 0.5);
  state.counters["p90_us"] = Percentile(micros, 0.9);
}
BENCHMARK(SendToArrival)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

void UiThreadPerSend(benchmark::State& state) {
  Program program(static_cast<int>(state.range(0)));
  std::vector<double> micros;
  int sends = 0;
  for (auto _ : state) {
    // The command: the dialog, the packet, the hand-over to the worker.
    Clock::time_point start = Clock::now();
    program.view->OnSendRequest();
    double busy = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    program.WaitForArrivals(++sends);
    // The result's handling, which the window's event loop runs once the
    // service has answered.
    std::function<void()> result = program.NextPosted();
    start = Clock::now();
    result();
    busy += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    micros.push_back(busy);
    state.SetIterationTime(busy / 1e6);
  }
  state.counters["median_us"] = Percentile(micros, 0.5);
  state.counters["max_us"] = Percentile(micros, 1.0);
}
BENCHMARK(UiThreadPerSend)
    ->Arg(1000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void SilentServiceToReport(benchmark::State& state) {
  ::setenv("ZELTRPC_TIMEOUT_MS", "300", 1);
  {
    Program program(5000);
    for (auto _ : state) {
      const Clock::time_point start = Clock::now();
      program.view->OnSendRequest();
      program.NextPosted()();
      state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  ::unsetenv("ZELTRPC_TIMEOUT_MS");
}
BENCHMARK(SilentServiceToReport)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvella

BENCHMARK_MAIN();
