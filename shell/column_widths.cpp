#include "shell/column_widths.h"

#include <QSettings>
#include <QStringList>

#include "platform/list_control.h"

namespace corvella {

namespace {

QSettings ColumnSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("corvella"),
                   QStringLiteral("columns"));
}

QString ColumnKey(const std::string& sportFile) {
  return QStringLiteral("widths/") + QString::fromLatin1(sportFile.substr(0, 4).c_str());
}

}  // namespace

void KeepColumnWidths(const ListControl& list, const std::string& sportFile) {
  QStringList widths;
  for (int c = 0; c < list.GetColumnCount(); ++c) widths << QString::number(list.GetColumnWidth(c));
  ColumnSettings().setValue(ColumnKey(sportFile), widths);
}

bool RestoreColumnWidths(ListControl& list, const std::string& sportFile) {
  const QStringList widths = ColumnSettings().value(ColumnKey(sportFile)).toStringList();
  if (widths.size() != list.GetColumnCount()) return false;  // none kept, or not of this program
  for (int c = 0; c < widths.size(); ++c) {
    bool ok = false;
    const int width = widths[c].toInt(&ok);
    if (ok && width >= 0 && width <= 4000) list.SetColumnWidth(c, width);
  }
  return true;
}

}  // namespace corvella
