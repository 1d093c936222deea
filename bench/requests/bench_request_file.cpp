// Loading and saving request files of 30, 100 and 300 requests through the
// list view, as start-up and Save do. Targets: a 300-request load (read,
// count, fill, every value checked) under 2 ms, a save under 5 ms without the
// flush to disk, both growing linearly with the number of requests.
//
// BM_Load and BM_Save work in a folder on a memory file system when there is
// one (/dev/shm), where the flush costs nothing; BM_SaveToDisk shows the save
// with a real flush. BM_SaveText is the save's work before any I/O, and
// BM_ParseProfile the one parse of the file.
//
// BM_KeyPress is one key that steps a cell of the list (keypad + on Sign #)
// recorded as an undo step, as the list window runs it: it copies the rows
// the key changed, never the whole list, so it costs the same at every size.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"
#include "shell/list_history.h"

namespace {

using namespace corvella;

class SilentUi : public Ui {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned) override { return IDYES; }
  std::string PromptForText(const std::string&, const std::string& initial) override {
    return initial;
  }
  std::string ChooseSelection(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  bool EditRequestDialog(EditRequestData&) override { return false; }
  bool SelectTeamPlayer(TeamPlayerChoice&) override { return false; }
};

std::string RequestFile(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += "\r\n";
    text += "[REQ" + std::to_string(i) + "]\r\nName=Request number " + std::to_string(i) +
            "\r\nTeam=I\r\nTop3=N\r\nGame=G\r\nSign=" + std::to_string(i % 16 + 1) +
            "\r\nMode=Continuous\r\nTimes=25\r\nDrive=C\r\nLibrary=SCORES\r\nSequence=RTD_SEQ\r\n"
            "Frame=0\r\nOffset=" +
            std::to_string(i * 7 % 5000) + "\r\n";
  }
  return text;
}

// A program folder with CORVELLA.INI and BASK.REQ, removed afterwards, and the
// document and view of the program started in it.
class Program {
 public:
  Program(int count, bool memory) {
    const std::string base = memory && access("/dev/shm", W_OK) == 0
                                 ? std::string("/dev/shm")
                                 : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/bench_request_file-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    m_dir = pattern + "/";
    std::ofstream(m_dir + "CORVELLA.INI") << "[REQUEST]\r\nSPORT=BASKETBALL\r\n";
    std::ofstream(m_dir + "BASK.REQ", std::ios::binary) << RequestFile(count);
    m_profile = std::make_unique<AppProfile>(m_dir + "CORVELLA.INI");
    m_doc = std::make_unique<CCorvellaDoc>(*m_profile, m_ui);
    m_view = std::make_unique<CCorvellaView>(*m_doc, m_ui);
    m_view->OnInitialUpdate();
    if (m_view->GetListCtrl().GetItemCount() != count) std::abort();
  }
  ~Program() {
    m_view.reset();
    std::filesystem::remove_all(m_dir);
  }
  CCorvellaView& View() { return *m_view; }
  CCorvellaDoc& Doc() { return *m_doc; }
  const std::string& Dir() const { return m_dir; }

 private:
  std::string m_dir;
  SilentUi m_ui;
  std::unique_ptr<AppProfile> m_profile;
  std::unique_ptr<CCorvellaDoc> m_doc;
  std::unique_ptr<CCorvellaView> m_view;
};

void BM_Load(benchmark::State& state) {
  Program program(static_cast<int>(state.range(0)), true);
  for (auto _ : state) {
    program.View().OnInitialUpdate();
    benchmark::DoNotOptimize(program.View().GetListCtrl().GetItemCount());
  }
  state.SetComplexityN(state.range(0));
}

void BM_Save(benchmark::State& state) {
  Program program(static_cast<int>(state.range(0)), true);
  for (auto _ : state) {
    if (!program.Doc().DoFileSave()) state.SkipWithError("save failed");
  }
  state.SetComplexityN(state.range(0));
}

void BM_SaveToDisk(benchmark::State& state) {
  Program program(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    if (!program.Doc().DoFileSave()) state.SkipWithError("save failed");
  }
  state.SetComplexityN(state.range(0));
}

// The save pass and the text, without writing: what SaveRequests does
// before its one write.
void BM_SaveText(benchmark::State& state) {
  Program program(static_cast<int>(state.range(0)), true);
  CCorvellaView& view = program.View();
  ListControl& list = view.GetListCtrl();
  view.SetLoading(false);
  for (auto _ : state) {
    RequestFileText text;
    text.Reserve(list.GetItemCount());
    for (int row = 0; row < list.GetItemCount(); ++row) {
      text.BeginRequest();
      for (int column = COL_NUMBER; column <= kLastColumn; ++column) {
        std::string value = list.GetItemText(row, column);
        view.ValidateField(value, row, false, column);
        list.SetItemText(row, column, value);
        if (column >= COL_DESCRIPTION) text.AddValue(column, value);
      }
    }
    benchmark::DoNotOptimize(text.Text().data());
  }
  state.SetComplexityN(state.range(0));
}

void BM_ParseProfile(benchmark::State& state) {
  const std::string text = RequestFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ProfileFile profile(text);
    benchmark::DoNotOptimize(CountRequestsInFile(profile));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.SetComplexityN(state.range(0));
}

void BM_KeyPress(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Program program(count, true);
  CCorvellaView& view = program.View();
  ListHistory history(view, program.Doc());
  view.SelectRowsForReview({count / 2});
  view.SetCurrentColumn(COL_SIGN);
  const auto press = [&] {
    history.Record([&view] { view.OnKeyDown(VK_ADD, 1, 0); }, &ListHistory::NameOfEdit);
  };
  press();
  if (!program.Doc().History().CanUndo()) state.SkipWithError("the key changed nothing");
  std::int64_t steps = 0;
  for (auto _ : state) {
    press();
    if (++steps % 4096 == 0) {
      // The steps kept for undo are not what is measured.
      state.PauseTiming();
      program.Doc().History().Start(true);
      state.ResumeTiming();
    }
  }
  state.SetComplexityN(state.range(0));
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(30)->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_Load)->Apply(Sizes);
BENCHMARK(BM_Save)->Apply(Sizes);
BENCHMARK(BM_SaveText)->Apply(Sizes);
BENCHMARK(BM_SaveToDisk)->Apply(Sizes);
BENCHMARK(BM_ParseProfile)->Apply(Sizes);
BENCHMARK(BM_KeyPress)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
