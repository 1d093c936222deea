#pragma once
// Test support: a fresh temporary folder that is removed with everything in
// it when the object goes out of scope.

#include <string>
#include <string_view>
#include <vector>

namespace corvella {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in "/".
  const std::string& Path() const { return m_path; }
  // Path() + name.
  std::string File(std::string_view name) const { return m_path + std::string(name); }

  // Writes a file in the folder (bytes as given) and returns its path.
  std::string Write(std::string_view name, std::string_view content) const;
  // The file's bytes; "" when it cannot be read.
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;
  // Names of the entries in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string m_path;
};

}  // namespace corvella
