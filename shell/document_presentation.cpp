#include "shell/document_presentation.h"

#include <QFile>

#include "platform/qt/list_widget.h"
#include "platform/qt/windows1252.h"
#include "requests/corvella_doc.h"
#include "shell/column_widths.h"
#include "shell/main_frame.h"

namespace corvella {

DocumentPresentation::DocumentPresentation(CCorvellaDoc& doc, CMainFrame& frame, ListControl& list)
    : m_doc(doc), m_frame(frame), m_list(list) {
  m_doc.AddObserver(this);
}

DocumentPresentation::~DocumentPresentation() { m_doc.RemoveObserver(this); }

void DocumentPresentation::KeepColumnWidths() {
  corvella::KeepColumnWidths(m_list, m_doc.GetSportFile());
}

void DocumentPresentation::OnListLoaded() {
  if (RestoreColumnWidths(m_list, m_doc.GetSportFile()) && m_widget) m_widget->SyncFromModel();
  // The last send's line belongs to the list that was shown; the Send Log
  // keeps it.
  m_frame.ClearSendResult();
  // A file that could not be read says so itself.
  const ShownFile& file = m_doc.GetShownFile();
  if (!file.loadFailure.empty()) return;
  // The line of an earlier list does not stand for this one; a screen reader
  // does not read the window title, so it is said too (once the window is
  // shown: at start-up the window's own appearance says it).
  const QString opened = file.origin.empty()
                             ? FromWindows1252(file.sportFile)
                             : QStringLiteral("%1 as %2, not saved yet")
                                   .arg(QFile::decodeName(QByteArray::fromStdString(file.origin)),
                                        FromWindows1252(file.sportFile));
  m_frame.ShowOpened(opened, m_frame.isVisible());
}

void DocumentPresentation::OnTitleChanged() {
  m_frame.SetDocumentTitle(m_doc.GetTitle());
  m_frame.SetDocumentModified(m_doc.IsModified());
}

void DocumentPresentation::OnSaved() { m_frame.ShowSaved(FromWindows1252(m_doc.GetSportFile())); }

}  // namespace corvella
