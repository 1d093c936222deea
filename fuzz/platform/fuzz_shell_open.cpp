// Bytes from anywhere as the hand-over message a second start of the program
// sends: decoding never reads past what has arrived, a complete message
// holds an absolute (or empty) path within the limit and encodes back to the
// bytes it took, its shorter prefixes are incomplete rather than wrong, and
// what is invalid stays invalid however many bytes follow.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/shell_open.h"

using corvella::DecodeShellOpen;
using corvella::ShellOpenMessage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ShellOpenMessage message = DecodeShellOpen(bytes);
  switch (message.status) {
    case ShellOpenMessage::Complete: {
      const std::string& path = message.path;
      if (message.used > size || path.size() > corvella::kMaxShellOpenPath) std::abort();
      if (path.find('\0') != std::string::npos || (!path.empty() && path.front() != '/'))
        std::abort();
      if (corvella::EncodeShellOpen(path) != bytes.substr(0, message.used)) std::abort();
      // A message arriving piece by piece is incomplete until its last byte.
      for (std::size_t cut :
           {std::size_t{0}, std::size_t{3}, std::size_t{7}, message.used / 2, message.used - 1}) {
        if (DecodeShellOpen(bytes.substr(0, std::min(cut, message.used - 1))).status !=
            ShellOpenMessage::Incomplete)
          std::abort();
      }
      break;
    }
    case ShellOpenMessage::Invalid: {
      const std::string longer = std::string(bytes) + "/x";
      if (DecodeShellOpen(longer).status != ShellOpenMessage::Invalid) std::abort();
      break;
    }
    case ShellOpenMessage::Incomplete:
      if (size >= 8 + corvella::kMaxShellOpenPath) std::abort();
      break;
  }
  return 0;
}
