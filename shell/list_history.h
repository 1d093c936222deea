#pragma once
// ListHistory: undo and redo for the request list. Every command, key and
// click that may change the list runs through Record, which takes the rows
// before and after and keeps the block that differs as one step, named for
// the menu ("Delete 3 Requests"). Undo and redo put back exactly the texts
// that were there (corrections of the field checks included), without
// running any check again. The list stays the only store of the requests;
// the history holds only the blocks that changed.
//
// The history is emptied whenever a new list is loaded. The document's
// modified flag follows the history: back at the state of the last load or
// save it is cleared, at any other state it is set. Others that follow
// unsaved changes (the recovery copy) subscribe with OnChange instead of
// asking from time to time.

#include <QUndoStack>
#include <functional>
#include <string>

#include "listview/list_rows.h"
#include "platform/command.h"

namespace corvella {

class CCorvellaDoc;
class CCorvellaView;

class ListHistory {
 public:
  // The menu name of a step, made from the change it records.
  using Namer = std::function<std::string(const RowsChange&)>;

  ListHistory(CCorvellaView& view, CCorvellaDoc& doc);

  // Runs `change`; when it changed the requests, the change becomes one
  // step named by `name`. A Record inside another records nothing of its
  // own: the outer one takes the whole change as one step.
  void Record(const std::function<void()>& change, const Namer& name);
  // A step named for what a key or click did: "Edit Sign #", "Edit Sign # of
  // 3 Requests", "Delete 2 Requests", ...
  static std::string NameOfEdit(const RowsChange& change);
  // "Delete Request", "Delete 3 Requests".
  static std::string Counted(const std::string& verb, int count);

  void Undo();
  void Redo();
  // Enabling and menu text ("Undo Delete 3 Requests") of Undo and Redo.
  void OnUpdateUndo(CCmdUI* ui) const;
  void OnUpdateRedo(CCmdUI* ui) const;

  // Calls `react` after each change of the steps or of the saved state, for
  // as long as `context` lives.
  void OnChange(QObject* context, std::function<void()> react);

  // A new list: no steps, and the list is as loaded; unsaved when the load
  // corrected values of the file (CCorvellaView::CorrectedOnLoad).
  void Reset();
  // The list holds changes that were never saved (restored from a recovery
  // copy): no state of the history is the saved one.
  void MarkUnsaved();
  // The document was saved: the list as it is now is the saved state.
  void SyncWithDocument();

 private:
  class Step;

  // The one place the document's modified flag is written from: set unless
  // the history stands at the saved state.
  void WriteModifiedFlag();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  QUndoStack m_stack;
  bool m_bRecording = false;
  std::size_t m_loads = 0;  // lists loaded so far
};

}  // namespace corvella
