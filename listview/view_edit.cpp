#include "listview/view_edit.h"

#include <string>

#include "platform/list_control.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "requests/request_file.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

// How a column is edited in place.
enum class CellEditor {
  None,         // "#": the whole request is edited (Edit Request dialog)
  Prompt,       // a text prompt
  Selection,    // a drop-down list of `choices`
  GameMessage,  // Game/Season: only a message that Game is the one option
};

struct ColumnEditor {
  CellEditor editor;
  const char* label;  // the editor's caption
  Choices choices;    // the entries of a Selection
};

const ColumnEditor kColumnEditors[kColumnCount] = {
    {CellEditor::None, "", {}},
    {CellEditor::Prompt, "Description", {}},
    {CellEditor::Selection, "Request Type", kTeamIndChoices},
    {CellEditor::Selection, "Top 3 Statistic", kTop3Choices},
    {CellEditor::GameMessage, "", {}},
    {CellEditor::Selection, "Sign Number", kSignChoices},
    {CellEditor::Selection, "Display Mode", kDisplayModeChoices},
    {CellEditor::Prompt, "Times to Display -- 0 thru 99999 -- Omit Commas", {}},
    {CellEditor::Selection, "Drive Letter", kDriveChoices},
    {CellEditor::Prompt, "Library Name -- 8 letters or less", {}},
    {CellEditor::Prompt, "Sequence Name -- 8 letters or less", {}},
    {CellEditor::Prompt, "Frame Number -- 0 thru 9999 -- Omit Commas", {}},
    {CellEditor::Prompt, "RTD Offset -- 0 thru 4999 -- Omit Commas", {}},
};

// The in-place editor of a column (0 to kLastColumn).
const ColumnEditor& ColumnEditorOf(int column) { return kColumnEditors[column]; }

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

bool EditRequestRow(ListControl& list, Ui& ui, int row, bool bInsert, bool football) {
  const int count = list.GetItemCount();

  // A row past the end is a new request at the end, as -1 is.
  bool isNew = bInsert;
  if (row < 0 || row >= count) {
    row = count;
    isNew = true;
  }
  // The list never holds more requests than a request file can give back;
  // the commands have already told the operator.
  if (isNew && count >= kMaxRequests) return false;

  // A new request starts from the record's defaults, an existing one from
  // its cells.
  RequestCells cells;
  for (int c = 0; c < kColumnCount; ++c) {
    cells[c] = isNew ? std::string(kColumns[c].newDefault) : list.GetItemText(row, c);
  }
  if (isNew) cells[COL_NUMBER] = std::to_string(row + 1);

  EditRequestData data = EditDataFromCells(cells, football);
  if (!ui.EditRequestDialog(data)) return false;

  if (isNew) row = list.InsertItem(row, std::to_string(row + 1));
  if (row < 0) return false;

  const RequestCells edited = CellsFromEditData(data);
  for (int c = COL_DESCRIPTION; c <= kLastColumn; ++c) list.SetItemText(row, c, edited[c]);
  return true;
}

std::string AskForCellText(Ui& ui, int column, const std::string& current) {
  const ColumnEditor& editor = ColumnEditorOf(column);
  const std::string shown = column == COL_TOP3 ? Top3ListName(current) : current;
  return editor.editor == CellEditor::Prompt
             ? ui.PromptForText(editor.label, shown)
             : ui.ChooseSelection(editor.label, shown, ChoiceNames(editor.choices));
}

}  // namespace corvella
