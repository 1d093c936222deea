#pragma once
// The command table: every command of the request program once, with its
// identifier and value, menu text (with its mnemonic), accelerator keys,
// status-bar prompt, tool tip and toolbar icon. Handlers and enabling
// handlers are bound by routing: the first command target in routing order
// (view, document, frame, application) that handles a command supplies them.
// The main frame builds its menus, accelerators and toolbar from this table.
//
// A command with neither a handler nor an enabling handler is disabled and
// does nothing, whichever way it arrives (menu, toolbar or key).

#include <QKeySequence>
#include <QList>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/command.h"

namespace corvella {

enum class ToolIcon {
  None,
  Save,
  Print,
  Cut,
  Copy,
  Paste,
  Delete,
  Edit,
  Add,
  Insert,
  Send,
  ContextHelp
};

using CommandHandler = std::function<void()>;
using UpdateHandler = std::function<void(CCmdUI*)>;

struct Command {
  unsigned id = 0;
  std::string identifier;    // "ID_SEND_REQUEST"
  std::string menuText;      // "Send &Request"; empty: in no menu
  QList<QKeySequence> keys;  // accelerators; the first is shown in the menu
  std::string prompt;        // status-bar text while the item is highlighted
  std::string toolTip;
  ToolIcon icon = ToolIcon::None;
  CommandHandler handler;  // bound by routing; empty: no handler
  UpdateHandler update;    // bound by routing; empty: enabled when handled
  CommandHandler refused;  // bound by routing: runs when the command arrives while disabled
};

// The handlers one command target (view, document, frame, application) has.
class CommandTarget {
 public:
  struct Binding {
    CommandHandler handler;
    UpdateHandler update;
    CommandHandler refused;
  };
  // Handles `id`; `update` decides its enabling (none: always enabled).
  void On(unsigned id, CommandHandler handler, UpdateHandler update = {});
  // Only an enabling handler (the command itself is handled elsewhere).
  void OnUpdate(unsigned id, UpdateHandler update);
  // What the command does when it arrives (by its key) while disabled: say
  // why, rather than nothing.
  void OnRefused(unsigned id, CommandHandler refused);
  const Binding* Find(unsigned id) const;

 private:
  std::map<unsigned, Binding> m_bindings;
};

// One entry of a menu: a command, a separator (id 0, no text) or a submenu.
struct MenuEntry {
  unsigned id = 0;
  std::string text;                // submenu title
  std::vector<MenuEntry> entries;  // submenu entries
  bool IsSeparator() const { return id == 0 && text.empty(); }
  bool IsSubmenu() const { return id == 0 && !text.empty(); }
};

class CommandTable {
 public:
  // The program's commands with their texts, keys, prompts and icons, and no
  // handlers yet.
  CommandTable();

  const std::vector<Command>& Commands() const { return m_commands; }
  Command* Find(unsigned id);
  const Command* Find(unsigned id) const;

  // Binds every command to the first target in `targets` that handles it
  // (enabling handlers are looked up the same way, independently).
  void Route(const std::vector<const CommandTarget*>& targets);

  // Asks the command's enabling now; `ui` receives enabling and check mark.
  // False for an unknown command or one without handlers.
  bool QueryState(unsigned id, CCmdUI& ui) const;
  bool IsEnabled(unsigned id) const;
  // Runs the handler when the command is enabled right now; false when it
  // was not run (its refusal handler, when it has one, ran instead).
  bool Execute(unsigned id) const;

  // The menu bar: File, Edit, View, Help with their items in order.
  static const std::vector<MenuEntry>& MenuBar();
  // Toolbar buttons left to right; 0 is a separator.
  static const std::vector<unsigned>& ToolbarButtons();

 private:
  std::vector<Command> m_commands;
};

// "Send &Request" + tab + "Ctrl+R": the text a menu shows for the command;
// `text` in place of the table's menu text when it is not empty.
QString MenuItemText(const Command& command, const std::string& text = {});

}  // namespace corvella
