#pragma once
// QtUi: the modal user interface on Qt, as far as this layer can go: message
// boxes are real QMessageBoxes. The four editors the view asks for are dialog
// classes of the subsystems that own them; the shell's ShellUi derives from
// this class and opens them, so this layer depends on none of them.

#include <string>

#include "platform/ui.h"

class QWidget;

namespace corvella {

// Gives a window the activation back when a modal box or dialog closes. A
// window manager does this by itself; a bare X session (no window manager)
// would otherwise leave the keyboard with nobody.
class ReturnActivation {
 public:
  explicit ReturnActivation(QWidget* window) : m_window(window) {}
  ~ReturnActivation();
  ReturnActivation(const ReturnActivation&) = delete;
  ReturnActivation& operator=(const ReturnActivation&) = delete;

 private:
  QWidget* m_window;
};

class QtUi : public Ui {
 public:
  // `parent` owns the dialogs' placement (the main window); it may be set
  // later, before that the boxes are top-level windows.
  explicit QtUi(QWidget* parent = nullptr) : m_parent(parent) {}

  void SetParent(QWidget* parent) { m_parent = parent; }

  // ---- implements Ui (the editors are the shell's) ----------------------------
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  // The detail is the box's informative text, read after the text.
  int MessageBoxWithDetail(const std::string& text, const std::string& detail,
                           const std::string& caption, unsigned flags) override;
  // A box of its own window, not modal: it takes the keyboard like any new
  // window, but the main window keeps working behind it; it goes when it is
  // answered or when the main window goes.
  void ShowNotice(const std::string& text, const std::string& detail, const std::string& caption,
                  unsigned flags) override;

 protected:
  QWidget* ParentWindow() const { return m_parent; }

 private:
  QWidget* m_parent;
};

}  // namespace corvella
