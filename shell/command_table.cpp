#include "shell/command_table.h"

#include <QString>

namespace corvella {

namespace {

struct CommandRow {
  unsigned id;
  const char* identifier;
  const char* menuText;  // nullptr: in no menu
  const char* keys;      // "Ctrl+X; Shift+Del"
  const char* prompt;
  const char* toolTip;
  ToolIcon icon;
};

// clang-format off
constexpr CommandRow kRows[] = {
  {ID_SEND_REQUEST, "ID_SEND_REQUEST", "Send &Request", "Ctrl+R",
   "Send the Selected Request", "Launch Selected Request", ToolIcon::Send},
  {ID_SPORT_BASEBALL, "ID_SPORT_BASEBALL", "B&aseball", nullptr,
   "Load the Baseball Request File", "", ToolIcon::None},
  {ID_SPORT_BASKETBALL, "ID_SPORT_BASKETBALL", "&Basketball", nullptr,
   "Load the Basketball Request File", "", ToolIcon::None},
  {ID_SPORT_FOOTBALL, "ID_SPORT_FOOTBALL", "&Football", nullptr,
   "Load the Football Request File", "", ToolIcon::None},
  {ID_SPORT_HOCKEY, "ID_SPORT_HOCKEY", "&Hockey", nullptr,
   "Load the Hockey Request File", "", ToolIcon::None},
  {ID_SPORT_SOCCER, "ID_SPORT_SOCCER", "&Soccer", nullptr,
   "Load the Soccer Request File", "", ToolIcon::None},
  {ID_SPORT_VOLLEYBALL, "ID_SPORT_VOLLEYBALL", "&Volleyball", nullptr,
   "Load the Volleyball Request File", "", ToolIcon::None},
  {ID_FILE_SAVE, "ID_FILE_SAVE", "&Save", "Ctrl+S",
   "Save the active document", "Save", ToolIcon::Save},
  {ID_FILE_PRINT, "ID_FILE_PRINT", "&Print...", "Ctrl+P",
   "Print the active document", "Print", ToolIcon::Print},
  // Printing without the dialog, as the shell asks for it: in no menu.
  {ID_FILE_PRINT_DIRECT, "ID_FILE_PRINT_DIRECT", nullptr, nullptr, "", "", ToolIcon::None},
  {ID_FILE_PRINT_PREVIEW, "ID_FILE_PRINT_PREVIEW", "Print Pre&view", nullptr,
   "Display full pages", "Print Preview", ToolIcon::None},
  {ID_FILE_PRINT_SETUP, "ID_FILE_PRINT_SETUP", "P&rint Setup...", nullptr,
   "Change the printer and printing options", "Print Setup", ToolIcon::None},
  {ID_APP_EXIT, "ID_APP_EXIT", "E&xit", nullptr,
   "Quit the application; prompts to save documents", "Exit", ToolIcon::None},
  {ID_EDIT_REQUEST, "ID_EDIT_REQUEST", "&Edit", "Ctrl+E",
   "Edit Selected Request", "Edit Selected Request", ToolIcon::Edit},
  {ID_ADD_REQUEST, "ID_ADD_REQUEST", "&Add", "Ctrl+A",
   "Add Request", "Add Request", ToolIcon::Add},
  {ID_INSERT_REQUEST, "ID_INSERT_REQUEST", "&Insert", "Ctrl+I",
   "Insert Request", "Insert Request", ToolIcon::Insert},
  {ID_EDIT_CUT, "ID_EDIT_CUT", "Cu&t", "Ctrl+X; Shift+Del",
   "Cut the selection and put it in the Clipboard", "Cut", ToolIcon::Cut},
  {ID_EDIT_COPY, "ID_EDIT_COPY", "&Copy", "Ctrl+C; Ctrl+Ins",
   "Copy the selection and put it in the Clipboard", "Copy", ToolIcon::Copy},
  {ID_EDIT_PASTE, "ID_EDIT_PASTE", "&Paste", "Ctrl+V; Shift+Ins",
   "Insert Clipboard contents", "Paste", ToolIcon::Paste},
  {ID_DELETE_REQUEST, "ID_DELETE_REQUEST", "&Delete", "Ctrl+D",
   "Delete Selected Requests", "Delete Selected Requests", ToolIcon::Delete},
  {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", "&Toolbar", nullptr,
   "Show or hide the toolbar", "Toggle ToolBar", ToolIcon::None},
  {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", "&Status Bar", nullptr,
   "Show or hide the status bar", "Toggle StatusBar", ToolIcon::None},
  {ID_VIEW_SEND_LOG, "ID_VIEW_SEND_LOG", "Send &Log", nullptr,
   "Show or hide the Send Log: every send of this session and how it ended", "Send Log",
   ToolIcon::None},
  {ID_REPEAT_OUTCOMES, "ID_REPEAT_OUTCOMES", "&Repeat Last Outcomes", "Ctrl+L",
   "Say the outcomes of the last three sends again, newest first", "Repeat Last Outcomes",
   ToolIcon::None},
  {ID_HELP_FINDER, "ID_HELP_FINDER", "&Help Topics", nullptr,
   "List Help topics", "Help Topics", ToolIcon::None},
  {ID_APP_ABOUT, "ID_APP_ABOUT", "&About Corvella...", nullptr,
   "Display program information, version number and copyright", "About", ToolIcon::None},
  {ID_FILE_NEW, "ID_FILE_NEW", nullptr, "Ctrl+N",
   "Create a new document", "New", ToolIcon::None},
  {ID_FILE_OPEN, "ID_FILE_OPEN", nullptr, "Ctrl+O",
   "Open an existing document", "Open", ToolIcon::None},
  {ID_HELP, "ID_HELP", nullptr, "F1",
   "Display help for current task or command", "Help", ToolIcon::None},
  {ID_CONTEXT_HELP, "ID_CONTEXT_HELP", nullptr, "Shift+F1",
   "Display help for clicked on buttons, menus and windows", "Help", ToolIcon::ContextHelp},
  {ID_EDIT_UNDO, "ID_EDIT_UNDO", "&Undo", "Ctrl+Z; Alt+Backspace",
   "Undo the last action", "Undo", ToolIcon::None},
  {ID_EDIT_REDO, "ID_EDIT_REDO", "&Redo", "Ctrl+Y; Ctrl+Shift+Z",
   "Redo the previously undone action", "Redo", ToolIcon::None},
  {ID_NEXT_PANE, "ID_NEXT_PANE", nullptr, "F6",
   "Switch to the next window pane", "Next Pane", ToolIcon::None},
  {ID_PREV_PANE, "ID_PREV_PANE", nullptr, "Shift+F6",
   "Switch back to the previous window pane", "Previous Pane", ToolIcon::None},
};
// clang-format on

MenuEntry Item(unsigned id) { return MenuEntry{id, {}, {}}; }
MenuEntry Separator() { return MenuEntry{}; }
MenuEntry Submenu(const char* text, std::vector<MenuEntry> entries) {
  return MenuEntry{0, text, std::move(entries)};
}

}  // namespace

// ---- CommandTarget ----------------------------------------------------------

void CommandTarget::On(unsigned id, CommandHandler handler, UpdateHandler update) {
  Binding& b = m_bindings[id];
  b.handler = std::move(handler);
  if (update) b.update = std::move(update);
}

void CommandTarget::OnUpdate(unsigned id, UpdateHandler update) {
  m_bindings[id].update = std::move(update);
}

void CommandTarget::OnRefused(unsigned id, CommandHandler refused) {
  m_bindings[id].refused = std::move(refused);
}

const CommandTarget::Binding* CommandTarget::Find(unsigned id) const {
  const auto it = m_bindings.find(id);
  return it == m_bindings.end() ? nullptr : &it->second;
}

// ---- CommandTable ------------------------------------------------------------

CommandTable::CommandTable() {
  for (const CommandRow& row : kRows) {
    Command c;
    c.id = row.id;
    c.identifier = row.identifier;
    c.menuText = row.menuText ? row.menuText : "";
    if (row.keys) {
      for (const QString& key : QString::fromLatin1(row.keys).split(u';', Qt::SkipEmptyParts)) {
        c.keys.append(QKeySequence(key.trimmed(), QKeySequence::PortableText));
      }
    }
    c.prompt = row.prompt;
    c.toolTip = row.toolTip;
    c.icon = row.icon;
    m_commands.push_back(std::move(c));
  }
}

Command* CommandTable::Find(unsigned id) {
  for (Command& c : m_commands) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const Command* CommandTable::Find(unsigned id) const {
  return const_cast<CommandTable*>(this)->Find(id);
}

void CommandTable::Route(const std::vector<const CommandTarget*>& targets) {
  for (Command& c : m_commands) {
    c.handler = nullptr;
    c.update = nullptr;
    c.refused = nullptr;
    for (const CommandTarget* target : targets) {
      const CommandTarget::Binding* b = target ? target->Find(c.id) : nullptr;
      if (!b) continue;
      if (!c.handler && b->handler) c.handler = b->handler;
      if (!c.update && b->update) c.update = b->update;
      if (!c.refused && b->refused) c.refused = b->refused;
    }
  }
}

bool CommandTable::QueryState(unsigned id, CCmdUI& ui) const {
  const Command* c = Find(id);
  if (!c || (!c->handler && !c->update)) {
    ui.Enable(false);
    return false;
  }
  ui.Enable(true);
  if (c->update) c->update(&ui);
  // An enabled command that nothing would run is still disabled.
  if (!c->handler) ui.Enable(false);
  return ui.IsEnabled();
}

bool CommandTable::IsEnabled(unsigned id) const {
  CCmdUI ui(id);
  return QueryState(id, ui);
}

bool CommandTable::Execute(unsigned id) const {
  if (!IsEnabled(id)) {
    if (const Command* c = Find(id); c && c->refused) {
      const CommandHandler refused = c->refused;
      refused();
    }
    return false;
  }
  // A copy: the handler may rebind the table (the frame lives on).
  const CommandHandler handler = Find(id)->handler;
  handler();
  return true;
}

const std::vector<MenuEntry>& CommandTable::MenuBar() {
  static const std::vector<MenuEntry> menus = {
      Submenu("&File", {Item(ID_SEND_REQUEST),
                        Submenu("Sp&ort", {Item(ID_SPORT_BASEBALL), Item(ID_SPORT_BASKETBALL),
                                           Item(ID_SPORT_FOOTBALL), Item(ID_SPORT_HOCKEY),
                                           Item(ID_SPORT_SOCCER), Item(ID_SPORT_VOLLEYBALL)}),
                        Separator(), Item(ID_FILE_SAVE), Separator(), Item(ID_FILE_PRINT),
                        Item(ID_FILE_PRINT_PREVIEW), Item(ID_FILE_PRINT_SETUP), Separator(),
                        Item(ID_APP_EXIT)}),
      Submenu("&Edit",
              {Item(ID_EDIT_UNDO), Item(ID_EDIT_REDO), Separator(), Item(ID_EDIT_REQUEST),
               Item(ID_ADD_REQUEST), Item(ID_INSERT_REQUEST), Separator(), Item(ID_EDIT_CUT),
               Item(ID_EDIT_COPY), Item(ID_EDIT_PASTE), Item(ID_DELETE_REQUEST)}),
      Submenu("&View", {Item(ID_VIEW_TOOLBAR), Item(ID_VIEW_STATUS_BAR), Item(ID_VIEW_SEND_LOG),
                        Item(ID_REPEAT_OUTCOMES)}),
      Submenu("&Help", {Item(ID_HELP_FINDER), Separator(), Item(ID_APP_ABOUT)}),
  };
  return menus;
}

const std::vector<unsigned>& CommandTable::ToolbarButtons() {
  static const std::vector<unsigned> buttons = {
      ID_FILE_SAVE,      0, ID_FILE_PRINT,     0, ID_EDIT_CUT,     ID_EDIT_COPY,
      ID_EDIT_PASTE,     0, ID_DELETE_REQUEST, 0, ID_EDIT_REQUEST, ID_ADD_REQUEST,
      ID_INSERT_REQUEST, 0, ID_SEND_REQUEST,   0, ID_CONTEXT_HELP,
  };
  return buttons;
}

QString MenuItemText(const Command& command, const std::string& text8) {
  QString text = QString::fromLatin1(text8.empty() ? command.menuText.c_str() : text8.c_str());
  if (!command.keys.isEmpty()) {
    text += u'\t' + command.keys.first().toString(QKeySequence::NativeText);
  }
  return text;
}

}  // namespace corvella
