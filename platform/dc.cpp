#include "platform/dc.h"

namespace corvella {

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_ACTIVEBORDER: return RGB(192, 192, 192);
    case COLOR_BTNFACE: return RGB(192, 192, 192);
    default: return RGB(0, 0, 0);
  }
}

}  // namespace corvella
