#pragma once
// ListHistory: records what commands, keys and clicks change in the request
// list as steps of the document's history. Record keeps the block of rows
// that a change made differ as one step, named for the menu ("Delete 3
// Requests"). It follows the document's rows through the block of rows they
// say changed (TextRows::TakeChangedRows), so a key copies the rows it
// changed, never the whole list. Undo and redo put back
// exactly the texts that were there (corrections of the field checks included), without running any
// check again, and select the rows they put back.
//
// The history itself, and the saved state read from it, belong to the
// document (requests/edit_history.h).

#include <cstddef>
#include <functional>
#include <optional>
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
  // own: the outer one takes the whole change as one step. A change that
  // loaded another list (a sport switch) records nothing: the new list has
  // a history of its own.
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

 private:
  class Step;

  // Brings m_rows up to the document's rows as they are now; the change
  // since the last call (none after another list was loaded: m_rows is then
  // taken afresh).
  std::optional<RowsChange> Follow();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  bool m_bRecording = false;
  ListRows m_rows;  // the list as last followed (column 0 not kept)
  std::size_t m_rowsLoad = static_cast<std::size_t>(-1);  // the load m_rows belongs to
};

}  // namespace corvella
