#pragma once
// Virtual-key codes as the key handlers receive them. The Qt widget
// translates its key events into these and keeps the keypad's plus and minus
// (VK_ADD, VK_SUBTRACT) apart from the main keyboard's (VK_OEM_PLUS,
// VK_OEM_MINUS).

namespace corvella {

enum : unsigned {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  // '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_F1 = 0x70,
  VK_F6 = 0x75,
  VK_OEM_PLUS = 0xBB,
  VK_OEM_MINUS = 0xBD,
};

// Which modifier keys are down right now; the widget answers from the event
// it is handling, tests from their script.
class KeyState {
 public:
  virtual ~KeyState() = default;
  virtual bool IsKeyDown(unsigned vk) const = 0;
};

}  // namespace corvella
