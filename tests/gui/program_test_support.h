#pragma once
// Test support for the tests that run the real program window: a click on a
// cell of the list as the operator makes it, and an end of the program that
// leaves its recovery copy behind as a crash does.

#include <QtTest>
#include <fstream>
#include <memory>
#include <string>

#include "platform/list_control.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/recovery_copy.h"
#include "support/example_files.h"

namespace corvella {

// Clicks the middle of the cell (`row`, `column`) of `list` on the widget's
// viewport; the "#" column at its label.
inline void ClickCell(ListWidget& widget, const ListControl& list, int row, int column,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  Rect rc;
  QVERIFY(column == 0 ? list.GetItemRect(row, rc, LVIR_LABEL)
                      : list.GetSubItemRect(row, column, rc));
  QTest::mouseClick(widget.viewport(), Qt::LeftButton, modifiers,
                    widget.ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
}

// Ends the program in `app` without saving and puts back the recovery copy
// of `requestFile` that its ending removed: what a crash leaves. False when
// the copy cannot be put back.
inline bool EndAsACrashWould(std::unique_ptr<CCorvellaApp>& app, const std::string& requestFile) {
  const std::string copy = RecoveryCopy::PathFor(requestFile);
  const std::string left = ReadFile(copy);
  app->GetDocument().History().MarkSaved();
  app.reset();
  std::ofstream out(copy, std::ios::binary | std::ios::trunc);
  out.write(left.data(), static_cast<std::streamsize>(left.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace corvella
