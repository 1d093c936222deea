#include "platform/shell_open.h"

#include <cstdint>

namespace corvella {
namespace {

constexpr std::string_view kTag = "CVO1";
constexpr std::size_t kHeader = 8;  // tag + length

}  // namespace

std::string EncodeShellOpen(std::string_view path) {
  std::string out(kTag);
  const auto n = static_cast<std::uint32_t>(path.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((n >> shift) & 0xFF));
  out.append(path);
  return out;
}

ShellOpenMessage DecodeShellOpen(std::string_view bytes) {
  ShellOpenMessage message;
  // A wrong tag is seen as soon as its first differing byte arrives.
  const std::size_t tagBytes = bytes.size() < kTag.size() ? bytes.size() : kTag.size();
  if (bytes.substr(0, tagBytes) != kTag.substr(0, tagBytes)) {
    message.status = ShellOpenMessage::Invalid;
    return message;
  }
  if (bytes.size() < kHeader) return message;
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < 4; ++i)
    length |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kTag.size() + i]))
              << (8 * i);
  if (length > kMaxShellOpenPath) {
    message.status = ShellOpenMessage::Invalid;
    return message;
  }
  const std::string_view path = bytes.substr(kHeader);
  // What has arrived of the path is judged at once.
  const std::string_view seen = path.substr(0, length);
  if (seen.find('\0') != std::string_view::npos || (!seen.empty() && seen.front() != '/')) {
    message.status = ShellOpenMessage::Invalid;
    return message;
  }
  if (path.size() < length) return message;
  message.status = ShellOpenMessage::Complete;
  message.path.assign(seen);
  message.used = kHeader + length;
  return message;
}

}  // namespace corvella
