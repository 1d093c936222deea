#pragma once
// What the main window shows of the document, following its notifications:
// the title and its modified marker, "Opened ..." and "Saved ..." in the
// status bar (said to a screen reader too), the sport's column widths, and
// the end of the last list's send line.

#include "requests/document.h"

namespace corvella {

class CCorvellaDoc;
class CMainFrame;
class ListControl;
class ListWidget;

class DocumentPresentation : public DocumentObserver {
 public:
  // Follows `doc` from now on; everything must outlive the object.
  DocumentPresentation(CCorvellaDoc& doc, CMainFrame& frame, ListControl& list);
  ~DocumentPresentation() override;
  DocumentPresentation(const DocumentPresentation&) = delete;
  DocumentPresentation& operator=(const DocumentPresentation&) = delete;

  // The list's window, once it exists (it shows the column widths).
  void SetListWidget(ListWidget* widget) { m_widget = widget; }
  // Keeps the column widths the operator set for the current sport.
  void KeepColumnWidths();

  // ---- implements DocumentObserver -------------------------------------------------
  void OnListLoaded() override;
  void OnTitleChanged() override;
  void OnSaved() override;

 private:
  CCorvellaDoc& m_doc;
  CMainFrame& m_frame;
  ListControl& m_list;
  ListWidget* m_widget = nullptr;
};

}  // namespace corvella
