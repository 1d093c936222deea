// Settings a program gives the library through its configuration calls
// (zeltSetTimeout, zeltSetSmbPort, zeltSetAuthFile, zeltSetSocketDir). Each
// one, while set, stands in place of its environment variable; cleared, the
// environment counts again. Safe to set and read from any thread: a program
// that calls setenv() while other threads run has no such guarantee.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace zeltrpc::rpc {

// Longest path the file and folder settings take.
inline constexpr size_t kMaxSettingPath = 4095;

// Each returns 0, or ERROR_INVALID_PARAMETER (87) for a value out of range
// (then nothing changes). 0 or a null pointer clears the setting.
uint32_t setTimeoutSetting(uint32_t milliseconds);  // 1 to 86400000
uint32_t setSmbPortSetting(uint32_t port);          // 1 to 65535
uint32_t setAuthFileSetting(const char* path);      // 1 to kMaxSettingPath bytes
uint32_t setSocketDirSetting(const char* path);     // 1 to kMaxSettingPath bytes

// The value set, if any.
std::optional<std::chrono::milliseconds> timeoutSetting();
std::optional<uint16_t> smbPortSetting();
std::optional<std::string> authFileSetting();
std::optional<std::string> socketDirSetting();

// Around fork(): the settings' lock is taken before it and let go after it
// in parent and child alike, so that the child never finds it held by a
// thread it does not have, nor a setting half written.
void lockSettingsBeforeFork();
void unlockSettingsAfterFork();

}  // namespace zeltrpc::rpc
