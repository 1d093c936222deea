// A request file from anywhere, loaded into the list view the way start-up
// does: no crash, at most 300 rows of values of at most 29 characters, and
// the list saved and loaded again keeps its rows and descriptions.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"

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

// A program directory for the whole run, on a memory file system when there
// is one, so reading and saving cost little. The configuration names the
// football file, which every input replaces; the configuration itself is
// only read, so it is written once.
const std::string& ProgramDir() {
  static const std::string dir = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                          std::string("/fuzz_request_load-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::string ini = "[REQUEST]\r\nSPORT=FOOT\r\n";
    WriteWhole(pattern + "/CORVELLA.INI", ini.data(), ini.size());
    return pattern + "/";
  }();
  return dir;
}

std::vector<std::string> Descriptions(const ListControl& list) {
  std::vector<std::string> out;
  for (int r = 0; r < list.GetItemCount(); ++r) out.push_back(list.GetItemText(r, COL_DESCRIPTION));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& dir = ProgramDir();
  WriteWhole(dir + "FOOT.REQ", data, size);
  AppProfile profile(dir + "CORVELLA.INI");
  DefaultAnswers ui;
  CCorvellaDoc doc(profile, ui);
  CCorvellaView view(doc, ui);
  view.OnInitialUpdate();

  ListControl& list = view.GetListCtrl();
  if (list.GetItemCount() > kMaxRequests || view.IsLoading()) std::abort();
  for (int r = 0; r < list.GetItemCount(); ++r) {
    if (list.GetItemText(r, COL_NUMBER) != std::to_string(r + 1)) std::abort();
    for (int c = COL_DESCRIPTION; c <= kLastColumn; ++c) {
      if (list.GetItemText(r, c).size() > 29) std::abort();
    }
    if (list.GetItemText(r, COL_DESCRIPTION).empty()) std::abort();
  }

  // Saved and loaded again, the rows and their descriptions stay (a line
  // break inside a value is written as a blank).
  std::vector<std::string> expected = Descriptions(list);
  for (std::string& d : expected) {
    for (char& c : d) {
      if (c == '\r' || c == '\n') c = ' ';
    }
  }
  if (!doc.DoFileSave()) std::abort();
  view.OnInitialUpdate();
  if (Descriptions(list) != expected) std::abort();
  return 0;
}
