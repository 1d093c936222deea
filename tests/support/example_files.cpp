#include "support/example_files.h"

#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

namespace corvella {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadExample(std::string_view name) {
  return ReadFile(std::string(CORVELLA_EXAMPLES_DIR "/") + std::string(name));
}

void WriteSampleProgramFolder(const TempDir& dir, std::string_view ini, std::string_view bask) {
  dir.Write("CORVELLA.INI", ini.empty() ? ReadExample("CORVELLA.INI") : std::string(ini));
  dir.Write("BASK.REQ", bask.empty() ? ReadExample("BASK.REQ") : std::string(bask));
  dir.Write("FOOT.REQ", ReadExample("FOOT.REQ"));
}

}  // namespace corvella
