#pragma once
// Where the program keeps its configuration and request files.
//
// The program directory is, in this order:
//   - the folder named by CORVELLA_DIR when it is set and not empty;
//   - the folder of the running executable when it holds CORVELLA.INI (a
//     build tree or a portable copy);
//   - the per-user folder $XDG_DATA_HOME/corvella (~/.local/share/corvella
//     when XDG_DATA_HOME is unset or not absolute), created on first start and
//     seeded from the sample files installed beside the program; with no
//     home folder at all, the current directory.
// So an installed program never writes beside its executable.

#include <string>

namespace corvella {

// The places the choice looks at; empty texts stand for unset variables.
struct ProgramLocations {
  std::string corvellaDir;    // $CORVELLA_DIR
  std::string executableDir;  // the executable's folder, ending in "/"
  std::string xdgDataHome;    // $XDG_DATA_HOME
  std::string home;           // $HOME, else the account's home folder
};

// A per-user base folder of the XDG base-directory rules: the variable
// `xdgValue` as given when it is an absolute path (a relative one is invalid
// and ignored), else `home` + "/" + `underHome` (".local/share",
// ".local/state"); "" when there is no home folder either.
std::string XdgBaseDirectory(const std::string& xdgValue, const std::string& home,
                             const std::string& underHome);

// The same for this process: the environment variable `variable` and the
// home folder of CurrentLocations().
std::string UserBaseDirectory(const char* variable, const std::string& underHome);

// The program directory for `where`, ending in "/" (empty when nothing is
// known: the current directory). Looks for CORVELLA.INI in the executable's
// folder; changes nothing on disk. `perUser` (may be null) tells whether the
// per-user folder was chosen.
std::string ChooseProgramDirectory(const ProgramLocations& where, bool* perUser = nullptr);

// The locations of this process: environment and /proc/self/exe.
ProgramLocations CurrentLocations();

// The program directory of this process, ending in "/" (nothing created).
std::string ProgramDirectory();

// The configuration file: ProgramDirectory() + "CORVELLA.INI".
std::string ConfigurationPath();

// The sample files installed with the program: the executable's folder +
// the relative path from the binary to the data folder, ending in "/".
std::string InstalledExamplesDirectory(const std::string& executableDir);

// Creates the per-user folder `dir` (and its parents) when missing and, while
// it holds no CORVELLA.INI, copies every regular file of `examplesDir` into
// it. An existing file is never replaced; CORVELLA.INI is copied last, so a
// start that was cut short seeds again next time. A missing `examplesDir`
// seeds nothing. False with a readable `error` when the folder cannot be made
// or a file cannot be copied (files copied so far stay).
bool SeedProgramDirectory(const std::string& dir, const std::string& examplesDir,
                          std::string* error);

// ProgramDirectory(), with the per-user folder created and seeded. `error`
// receives what went wrong ("" when nothing did); the directory is returned
// either way.
std::string PrepareProgramDirectory(std::string* error);

}  // namespace corvella
