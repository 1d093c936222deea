#pragma once
// Vetting a request file that the command line or a later start of the
// program names, before the program switches to its sport. Qt-free (it
// works on the file name's bytes), so the faults it guards are tested
// without a window.

#include <sys/types.h>

#include <string>

namespace corvella {

// Far above what 300 requests take: anything larger is no request file.
inline constexpr off_t kMaxNamedFileSize = 1 << 20;

// What a named request file is.
struct NamedFile {
  enum class Fault {
    kNone,
    kNoSport,     // its name begins with no sport's code
    kCannotOpen,  // missing, or not readable by this user
    kNotAFile,    // a folder, a pipe, a device ...
    kTooLarge,    // over kMaxNamedFileSize (a file from elsewhere only)
    kNoRequests,  // no REQ1 section with a name (a file from elsewhere only)
  };
  Fault fault = Fault::kNone;
  std::string sportFile;  // the sport its name selects ("FOOT.REQ"); "" with kNoSport
  bool own = false;       // it is that sport's file in the program directory
};

// Vets `path` (bytes as the file system takes them) against the program
// directory `directory` (ending in "/"). The sport's own file is taken as it
// is, as the list reads any; a file from elsewhere replaces the sport's list,
// so it must hold requests. Never blocks on a pipe in the file's place;
// changes nothing on disk.
NamedFile VetNamedFile(const std::string& path, const std::string& directory);

}  // namespace corvella
