#include "shell/named_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "base/unique_fd.h"
#include "platform/file_path.h"
#include "platform/profile.h"
#include "requests/request_file.h"
#include "requests/request_record.h"

namespace corvella {
namespace {

// The path with every link and "." or ".." resolved; "" when it does not
// exist.
std::string CanonicalPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                             &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

NamedFile VetNamedFile(const std::string& path, const std::string& directory) {
  using Fault = NamedFile::Fault;
  NamedFile named;
  const std::string code = SportCodeOfSetting(FileNamePart(path));
  if (code.empty()) {
    named.fault = Fault::kNoSport;
    return named;
  }
  named.sportFile = code + ".REQ";
  // Non-blocking: a pipe in the file's place must not stall the program.
  const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (!fd || ::fstat(fd.get(), &st) != 0) {
    named.fault = Fault::kCannotOpen;
    return named;
  }
  if (!S_ISREG(st.st_mode)) {
    named.fault = Fault::kNotAFile;
    return named;
  }
  const std::string own = CanonicalPath(directory + named.sportFile);
  named.own = !own.empty() && own == CanonicalPath(path);
  if (named.own) return named;
  // A file from elsewhere replaces the sport's list: it must be one.
  if (st.st_size > kMaxNamedFileSize) {
    named.fault = Fault::kTooLarge;
  } else if (CountRequestsInFile(ProfileFile::Load(path)) == 0) {
    named.fault = Fault::kNoRequests;
  }
  return named;
}

}  // namespace corvella
