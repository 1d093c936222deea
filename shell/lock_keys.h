#pragma once
// The state of the Caps Lock, Num Lock and Scroll Lock keys for the status
// bar's indicators.

namespace corvella {

struct LockKeys {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// Reads the keyboard's lock indicators from the window system. False when
// it cannot tell (no X11 display, or built without X11): the caller then
// keeps track of the lock keys it sees itself.
bool ReadLockKeys(LockKeys& out);

}  // namespace corvella
