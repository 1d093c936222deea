#pragma once
// Test support: the sample files of examples/ (the configuration and the
// request files a new installation starts with), and whole files read back.

#include <string>
#include <string_view>

namespace corvella {

class TempDir;

// The bytes of the sample file `name` ("CORVELLA.INI", "BASK.REQ" ...); ""
// when it cannot be read.
std::string ReadExample(std::string_view name);

// The bytes of the file at `path`; "" when it cannot be read.
std::string ReadFile(const std::string& path);

// Makes `dir` a program folder: the sample CORVELLA.INI, BASK.REQ and
// FOOT.REQ, or `ini` and `bask` in their place when given.
void WriteSampleProgramFolder(const TempDir& dir, std::string_view ini = {},
                              std::string_view bask = {});

}  // namespace corvella
