#include "shell/console_ui.h"

#include <cstdio>

#include "platform/qt/windows1252.h"

namespace corvella {

int ConsoleUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  const std::string title = caption.empty() ? std::string("Corvella") : caption;
  std::fprintf(stderr, "%s: %s\n", FromWindows1252(title).toLocal8Bit().constData(),
               FromWindows1252(text).toLocal8Bit().constData());
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

}  // namespace corvella
