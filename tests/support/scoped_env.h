#pragma once
// Test support: an environment variable set for the lifetime of an object.

#include <stdlib.h>

#include <string>
#include <utility>

namespace corvella::testing {

// Sets `name` to `value`; unsets it again when the object goes.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name)) {
    ::setenv(m_name.c_str(), value.c_str(), 1);
  }
  ~ScopedEnv() { ::unsetenv(m_name.c_str()); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
};

}  // namespace corvella::testing
