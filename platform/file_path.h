#pragma once
// The two parts of a "/"-separated path, as every place that splits one
// needs them; no file system is asked.

#include <string_view>

namespace corvella {

// The folder part of `path` with its trailing "/" ("/srv/BASK.REQ" ->
// "/srv/"); "" when the path has no folder part.
inline std::string_view FolderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// The name after the last "/" ("/srv/BASK.REQ" -> "BASK.REQ"); the whole
// path when it has no "/".
inline std::string_view FileNamePart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace corvella
