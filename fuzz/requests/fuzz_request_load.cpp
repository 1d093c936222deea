// A request file from anywhere, loaded into the list view as the running
// program loads one (one document and view for the whole run, as in the
// program): no crash, at most 300 rows of values of at most 29 characters,
// and the text a save writes reads back cell for cell.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"

namespace {

using namespace corvella;

// Answers every question with its default button.
class DefaultAnswers : public Ui {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned flags) override {
    const unsigned buttons = flags & 0x0F;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
  }
  std::string PromptForText(const std::string&, const std::string& initial) override {
    return initial;
  }
  std::string ChooseSelection(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  bool EditRequestDialog(EditRequestData&) override { return false; }
  bool SelectTeamPlayer(TeamPlayerChoice&) override { return false; }
};

// Replaces the file at `path` by `size` bytes of `data`; aborts when that fails.
void WriteWhole(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n <= 0) std::abort();
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void RemoveProgramDir();

// A program directory for the whole run, on a memory file system when there
// is one, so reading and saving cost little. The configuration names the
// football file, which every input replaces; the configuration itself is
// only read, so it is written once.
const std::string& ProgramDir() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string* const dir = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                          std::string("/fuzz_request_load-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::string ini = "[REQUEST]\r\nSPORT=FOOT\r\n";
    WriteWhole(pattern + "/CORVELLA.INI", ini.data(), ini.size());
    std::atexit(RemoveProgramDir);
    return new std::string(pattern + "/");
  }();
  return *dir;
}

// Removes the program directory and what is in it when the run ends, so
// that runs do not pile up folders in shared memory.
void RemoveProgramDir() {
  const std::string& dir = ProgramDir();
  if (DIR* folder = ::opendir(dir.c_str())) {
    while (const dirent* entry = ::readdir(folder)) {
      if (entry->d_name[0] != '.') ::unlink((dir + entry->d_name).c_str());
    }
    ::closedir(folder);
  }
  ::rmdir(dir.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = ProgramDir();
  WriteWhole(dir + "FOOT.REQ", data, size);
  // Built once: each load starts by emptying the list and its columns.
  static AppProfile profile(dir + "CORVELLA.INI");
  static DefaultAnswers ui;
  static CCorvellaDoc doc(profile, ui);
  static CCorvellaView view(doc, ui);
  view.OnInitialUpdate();

  ListControl& list = view.GetListCtrl();
  if (list.GetItemCount() > kMaxRequests || view.Checks().IsLoading()) std::abort();
  for (int r = 0; r < list.GetItemCount(); ++r) {
    if (list.GetItemText(r, COL_NUMBER) != std::to_string(r + 1)) std::abort();
    for (int c = COL_DESCRIPTION; c <= kLastColumn; ++c) {
      if (list.GetItemText(r, c).size() > 29) std::abort();
    }
    if (list.GetItemText(r, COL_DESCRIPTION).empty()) std::abort();
  }

  // What a save writes reads back cell for cell as the list holds it after
  // the save's own checks (a line break inside a value is written as a
  // blank). The text is read in memory: how a save puts it on disk does not
  // depend on the input and is tested on its own.
  const ProfileFile saved(view.File().RequestsAsFileText().Text());
  if (CountRequestsInFile(saved) != list.GetItemCount()) std::abort();
  for (int r = 0; r < list.GetItemCount(); ++r) {
    const ProfileFile::SectionRef request = saved.FindSectionRef(RequestSectionName(r + 1));
    for (int c = COL_DESCRIPTION; c <= kLastColumn; ++c) {
      std::string expected = list.GetItemText(r, c);
      for (char& ch : expected) {
        if (ch == '\r' || ch == '\n') ch = ' ';
      }
      if (ReadRequestValue(saved, request, c) != expected) std::abort();
    }
  }
  // The list is emptied for the next input, so that one input's rows are not
  // counted as memory the next one kept.
  list.DeleteAllItems();
  return 0;
}
