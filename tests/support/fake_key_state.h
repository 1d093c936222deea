#pragma once
// Test seam: modifier keys held down, as a script sets them.

#include <set>

#include "platform/vk.h"

namespace corvella {

class FakeKeyState : public KeyState {
 public:
  void Press(unsigned vk) { m_down.insert(vk); }
  void Release(unsigned vk) { m_down.erase(vk); }
  void ReleaseAll() { m_down.clear(); }
  bool IsKeyDown(unsigned vk) const override { return m_down.count(vk) != 0; }

 private:
  std::set<unsigned> m_down;
};

}  // namespace corvella
