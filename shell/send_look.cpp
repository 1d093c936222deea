#include "shell/send_look.h"

namespace corvella {

SendLookStyle StyleOf(SendLook look) {
  switch (look) {
    case SendLook::kSending: break;
    case SendLook::kDelivered:
      return {QStyle::SP_DialogApplyButton, QColor(0xDF, 0xF5, 0xDF), QColor(0x10, 0x50, 0x10), {}};
    case SendLook::kFailed:
      return {QStyle::SP_MessageBoxCritical, QColor(0xB0, 0x10, 0x10), QColor(Qt::white),
              QColor(0xB0, 0x10, 0x10)};
    case SendLook::kWarning:
      return {QStyle::SP_MessageBoxWarning, QColor(0xFF, 0xE8, 0xA0), QColor(0x50, 0x38, 0x00), {}};
    case SendLook::kUnknown:
      // Neither good nor failed: the operator checks the sign before sending
      // it again.
      return {QStyle::SP_MessageBoxQuestion, QColor(0xD8, 0xE4, 0xFF), QColor(0x10, 0x20, 0x60),
              QColor(0x20, 0x30, 0x90)};
  }
  return {QStyle::SP_BrowserReload, {}, {}, {}};
}

}  // namespace corvella
