#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/qt/windows1252.h"

namespace corvella {

bool QtClipboard::SetText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  const QString value = FromWindows1252(text);
  clipboard->setText(value, QClipboard::Clipboard);
  // Qt does not report a refusal; reading back tells whether the text is there.
  return clipboard->text(QClipboard::Clipboard) == value;
}

std::optional<std::string> QtClipboard::GetText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return std::nullopt;
  const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
  if (!data || !data->hasText()) return std::nullopt;
  return ToWindows1252(data->text());
}

bool QtClipboard::TextOutsideCodePage() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
  return data && data->hasText() && !FirstCharacterOutsideWindows1252(data->text()).isEmpty();
}

bool QtClipboard::HasText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
  return data && data->hasText();
}

}  // namespace corvella
