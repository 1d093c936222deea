#pragma once
// The message a second start of the program sends to the one already running
// ("shell open"): open this file, or only come to the front.
//
// Wire form: the four bytes "CVO1", the length of the path as four bytes
// (least significant first), then the path's bytes. The path is absolute,
// at most kMaxShellOpenPath bytes and holds no NUL byte; an empty path only
// raises the window. The running program answers with one byte, kShellOpenAck.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvella {

inline constexpr std::size_t kMaxShellOpenPath = 4096;
inline constexpr char kShellOpenAck = 'K';

// The message for `path` ("" to raise the window only). The caller passes
// an absolute path that meets the rules above.
std::string EncodeShellOpen(std::string_view path);

struct ShellOpenMessage {
  enum Status { Incomplete, Complete, Invalid };
  Status status = Incomplete;
  std::string path;      // when Complete
  std::size_t used = 0;  // bytes of the input the message took, when Complete
};

// Decodes the message at the start of `bytes`. Incomplete: more bytes are
// needed (nothing wrong yet). Invalid: the bytes can never become a message
// (wrong tag, path too long, relative or with a NUL byte); the sender is to
// be dropped. Reads nothing past `bytes`.
ShellOpenMessage DecodeShellOpen(std::string_view bytes);

}  // namespace corvella
