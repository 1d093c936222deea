#include "shell/lock_keys.h"

#if defined(CORVELLA_HAVE_X11)
#include <QGuiApplication>
// Qt first: the X11 headers define macros (None, Bool, KeyPress) that would
// clash with Qt's names.
#include <X11/XKBlib.h>
#endif

namespace corvella {

bool ReadLockKeys(LockKeys& out) {
#if defined(CORVELLA_HAVE_X11)
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return false;
  const auto indicator = [display](const char* name, bool& state) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
      return false;
    state = on != False;
    return true;
  };
  LockKeys keys;
  const bool caps = indicator("Caps Lock", keys.caps);
  const bool num = indicator("Num Lock", keys.num);
  indicator("Scroll Lock", keys.scroll);  // many keyboards have none: stays off
  if (!caps && !num) return false;
  out = keys;
  return true;
#else
  (void)out;
  return false;
#endif
}

}  // namespace corvella
