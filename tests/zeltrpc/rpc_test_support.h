// Shared pieces of the client library tests: a private socket directory per
// test (ZELTRPC_DIR points at it) and an embedded signsim that records every
// log line.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tools/signsim/server.h"

namespace zeltrpc_test {

class SocketDirFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_temp = std::make_unique<corvella::TempDir>();
    m_root = m_temp->Path();
    m_root.pop_back();  // without its "/": the tests append "/name"
    m_dir = m_root + "/sock";
    ::setenv("ZELTRPC_DIR", m_dir.c_str(), 1);
    ::unsetenv("ZELTRPC_TIMEOUT_MS");
  }
  void TearDown() override {
    m_temp.reset();
    ::unsetenv("ZELTRPC_DIR");
    ::unsetenv("ZELTRPC_TIMEOUT_MS");
  }

  std::unique_ptr<corvella::TempDir> m_temp;
  std::string m_root;  // the test's own folder
  std::string m_dir;
};

class EmbeddedServerFixture : public SocketDirFixture {
 protected:
  void TearDown() override {
    stopServer();
    SocketDirFixture::TearDown();
  }

  void startServer(signsim::Options options = {}) {
    options.dir = m_dir;
    m_server = std::make_unique<signsim::SignServer>(options, [this](const std::string& line) {
      std::lock_guard lock(m_logMutex);
      m_log.push_back(line);
    });
    std::string error;
    ASSERT_TRUE(m_server->start(error)) << error;
  }
  void stopServer() { m_server.reset(); }

  std::vector<std::string> log() {
    std::lock_guard lock(m_logMutex);
    return m_log;
  }
  bool logContains(const std::string& text) {
    for (const auto& l : log())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  std::unique_ptr<signsim::SignServer> m_server;
  std::mutex m_logMutex;
  std::vector<std::string> m_log;
};

inline std::vector<uint8_t> bytes(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int b : v) out.push_back(static_cast<uint8_t>(b));
  return out;
}

}  // namespace zeltrpc_test
