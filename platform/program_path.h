#pragma once
// Where the program keeps its configuration and request files.

#include <string>

namespace corvella {

// The program directory with its trailing "/": CORVELLA_DIR when set (a
// trailing "/" is added when missing), else the directory of the running
// executable.
std::string ProgramDirectory();

// The configuration file: ProgramDirectory() + "CORVELLA.INI".
std::string ConfigurationPath();

}  // namespace corvella
