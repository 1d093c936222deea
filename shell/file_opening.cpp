#include "shell/file_opening.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/qt/windows1252.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "shell/named_file.h"

namespace corvella {

namespace {

// Why a named file is refused, for the operator; "" when it is not.
QString RefusalOfNamedFile(const NamedFile& named, const QString& path) {
  switch (named.fault) {
    case NamedFile::Fault::kNone: return {};
    case NamedFile::Fault::kNoSport:
      return QStringLiteral(
                 "%1 is not the request file of a sport: its name must begin with BASK, "
                 "FOOT, BASE, HOCK, SOCC or VOLL.")
          .arg(path);
    case NamedFile::Fault::kCannotOpen:
    case NamedFile::Fault::kNotAFile:
      return QStringLiteral("Failed to open document %1.").arg(path);
    case NamedFile::Fault::kTooLarge:
      return QStringLiteral("%1 is too large for a request file.").arg(path);
    case NamedFile::Fault::kNoRequests: return QStringLiteral("%1 holds no requests.").arg(path);
  }
  return {};
}

}  // namespace

bool FileOpening::Open(const QString& path, bool recordSport) {
  const NamedFile named = VetNamedFile(QFile::encodeName(path).toStdString(), m_doc.GetDirectory());
  if (const QString refusal = RefusalOfNamedFile(named, path); !refusal.isEmpty()) {
    m_ui.MessageBox(ToWindows1252(refusal), "Corvella", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (!m_doc.SaveModified()) return false;
  OpenList what;
  what.sportFile = named.sportFile;
  // The messages of a file from elsewhere name it as the operator chose it.
  if (!named.own) what.from = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
  what.recordSport = recordSport;
  return static_cast<bool>(m_doc.Open(what));
}

QString FileOpening::ChooseFile(QWidget* parent) const {
  QFileDialog dialog(parent, QStringLiteral("Open"),
                     QFile::decodeName(QByteArray::fromStdString(m_doc.GetDirectory())),
                     QStringLiteral("Corvella Files (*.req)"));
  dialog.setObjectName(QStringLiteral("openFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The request files are named in capitals (BASK.REQ): the filter matches
  // without regard to case, as it does on the platform the files come from.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace corvella
