#pragma once
// How a send's state looks on the screen: the one table of icons and colours
// that the status bar's send pane and the Send Log both draw from.

#include <QColor>
#include <QStyle>

#include "transmit/send_ledger.h"

namespace corvella {

struct SendLookStyle {
  QStyle::StandardPixmap icon;
  QColor background;  // invalid: the window's own
  QColor foreground;  // invalid: the window's own
  QColor emphasis;    // the outcome's text colour in a table row; invalid: the table's own
};

SendLookStyle StyleOf(SendLook look);

}  // namespace corvella
