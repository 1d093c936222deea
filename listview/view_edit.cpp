// EditRequest. The Edit
// Request dialog works over one row of the list: adding a request at the
// end, inserting one before a row, or editing a row.

#include <string>

#include "listview/corvella_view.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"

namespace corvella {

namespace {

// The dialog's long names for the stored codes; the dialog selects the first
// list entry that begins with the text it is given.
std::string TypeName(const std::string& code) {
  const std::string name = TeamIndName(code);
  return name.empty() ? code : name;
}

std::string StyleName(const std::string& code) {
  const std::string name = GameSeasonName(code);
  return name.empty() ? code : name;
}

// The stored Top 3 code of a list entry, by its first two characters;
// kNoTop3 when they begin no entry.
std::string Top3Code(const std::string& name) {
  if (name.size() < 2) return std::string(kNoTop3);
  for (const Choice& choice : kTop3Choices) {
    if (choice.name.starts_with(std::string_view(name).substr(0, 2)))
      return std::string(choice.code);
  }
  return std::string(kNoTop3);
}

std::string FirstChar(const std::string& text) { return text.substr(0, 1); }

// What the dialog shows for a row's cells: the codes in the dialog's long
// form ("Individual", "Game", the Top 3 list names), numbers as numbers.
EditRequestData EditDataFromCells(const RequestCells& cells, bool football) {
  EditRequestData data;
  data.football = football;
  data.requestNumber = cells[COL_NUMBER];
  data.description = cells[COL_DESCRIPTION];
  data.type = TypeName(cells[COL_TEAM_IND]);
  data.top3 = Top3ListName(cells[COL_TOP3]);
  data.style = StyleName(cells[COL_GAME_SEASON]);
  data.sign = LeadingInt(cells[COL_SIGN]);
  data.displayMode = cells[COL_DISPLAY_MODE];
  data.times = LeadingInt(cells[COL_TIMES]);
  data.drive = cells[COL_DRIVE];
  data.library = cells[COL_LIBRARY];
  data.sequence = cells[COL_SEQUENCE];
  data.frame = LeadingInt(cells[COL_FRAME]);
  data.offset = LeadingInt(cells[COL_OFFSET]);
  return data;
}

// The cells Description to Offset of what the dialog returned: long names
// back to their stored codes (each by its first letter, Top 3 by its first
// two), numbers as text, an empty description as one blank so the request
// keeps its place in the file. The "#" cell is left empty.
RequestCells CellsFromEditData(const EditRequestData& data) {
  RequestCells cells;
  cells[COL_DESCRIPTION] = data.description.empty() ? std::string(1, ' ') : data.description;
  cells[COL_TEAM_IND] = FirstChar(data.type);
  cells[COL_TOP3] = Top3Code(data.top3);
  cells[COL_GAME_SEASON] = FirstChar(data.style);
  cells[COL_SIGN] = std::to_string(data.sign);
  cells[COL_DISPLAY_MODE] = data.displayMode;
  cells[COL_TIMES] = std::to_string(data.times);
  cells[COL_DRIVE] = data.drive;
  cells[COL_LIBRARY] = data.library;
  cells[COL_SEQUENCE] = data.sequence;
  cells[COL_FRAME] = std::to_string(data.frame);
  cells[COL_OFFSET] = std::to_string(data.offset);
  return cells;
}

}  // namespace

void CCorvellaView::EditRequest(int row, bool bInsert) {
  ListControl& list = GetListCtrl();
  const int count = list.GetItemCount();

  // A row past the end is a new request at the end, as -1 is.
  bool isNew = bInsert;
  if (row < 0 || row >= count) {
    row = count;
    isNew = true;
  }
  // The list never holds more requests than a request file can give back;
  // the commands have already told the operator.
  if (isNew && count >= kMaxRequests) return;

  // A new request starts from the record's defaults, an existing one from
  // its cells.
  RequestCells cells;
  for (int c = 0; c < kColumnCount; ++c) {
    cells[c] = isNew ? std::string(kColumns[c].newDefault) : list.GetItemText(row, c);
  }
  if (isNew) cells[COL_NUMBER] = std::to_string(row + 1);

  EditRequestData data = EditDataFromCells(cells, m_doc.IsFootball());
  if (!m_ui.EditRequestDialog(data)) return;

  if (isNew) row = list.InsertItem(row, std::to_string(row + 1));
  if (row < 0) return;

  const RequestCells edited = CellsFromEditData(data);
  for (int c = COL_DESCRIPTION; c <= kLastColumn; ++c) list.SetItemText(row, c, edited[c]);

  if (bInsert) {
    RenumberRows();
    SelectRow(m_nFocusRow);
  }
}

}  // namespace corvella
