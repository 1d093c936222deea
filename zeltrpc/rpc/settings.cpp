#include "zeltrpc/rpc/settings.h"

#include <cstring>
#include <mutex>
#include <new>

#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

namespace {

constexpr uint32_t kLongestTimeout = 24u * 3600 * 1000;

// Kept in static storage that is never destroyed, so that a call made while
// the process exits still finds it.
struct Settings {
  std::mutex mutex;
  uint32_t timeoutMs = 0;
  uint16_t smbPort = 0;
  bool haveAuthFile = false;
  bool haveSocketDir = false;
  std::string authFile;
  std::string socketDir;
};

Settings& settings() {
  alignas(Settings) static unsigned char storage[sizeof(Settings)];
  static Settings* const instance = new (storage) Settings();
  return *instance;
}

uint32_t setPath(const char* path, bool Settings::*have, std::string Settings::*value) {
  if (path && (!*path || std::strlen(path) > kMaxSettingPath)) return kInvalidParameter;
  std::string copy = path ? path : "";
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  s.*have = path != nullptr;
  (s.*value).swap(copy);
  return kOk;
}

std::optional<std::string> getPath(bool Settings::*have, std::string Settings::*value) {
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  if (!(s.*have)) return std::nullopt;
  return s.*value;
}

}  // namespace

uint32_t setTimeoutSetting(uint32_t milliseconds) {
  if (milliseconds > kLongestTimeout) return kInvalidParameter;
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  s.timeoutMs = milliseconds;
  return kOk;
}

uint32_t setSmbPortSetting(uint32_t port) {
  if (port > 65535) return kInvalidParameter;
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  s.smbPort = static_cast<uint16_t>(port);
  return kOk;
}

uint32_t setAuthFileSetting(const char* path) {
  return setPath(path, &Settings::haveAuthFile, &Settings::authFile);
}

uint32_t setSocketDirSetting(const char* path) {
  return setPath(path, &Settings::haveSocketDir, &Settings::socketDir);
}

std::optional<std::chrono::milliseconds> timeoutSetting() {
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  if (s.timeoutMs == 0) return std::nullopt;
  return std::chrono::milliseconds(s.timeoutMs);
}

std::optional<uint16_t> smbPortSetting() {
  Settings& s = settings();
  std::lock_guard lock(s.mutex);
  if (s.smbPort == 0) return std::nullopt;
  return s.smbPort;
}

std::optional<std::string> authFileSetting() {
  return getPath(&Settings::haveAuthFile, &Settings::authFile);
}

std::optional<std::string> socketDirSetting() {
  return getPath(&Settings::haveSocketDir, &Settings::socketDir);
}

void lockSettingsBeforeFork() { settings().mutex.lock(); }

void unlockSettingsAfterFork() { settings().mutex.unlock(); }

}  // namespace zeltrpc::rpc
