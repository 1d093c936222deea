#pragma once
// EditHistory: the undo history of the shown list, kept by its document.
// Every step is a change that has already happened; Undo and Redo put back
// exactly what the step recorded. One state of the history is the saved one
// (the list as its file holds it); the document is modified exactly when the
// history stands anywhere else. A list that was never saved as it is shown
// (a load that corrected values, a list read from another folder, a restored
// recovery copy) has no saved state until it is saved.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvella {

// One recorded change of the list.
class EditStep {
 public:
  virtual ~EditStep() = default;
  // The step's name for the Edit menu ("Delete 3 Requests").
  virtual std::string Name() const = 0;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
};

class EditHistory {
 public:
  // `changed` runs after every change of the steps or of the saved state.
  explicit EditHistory(std::function<void()> changed) : m_changed(std::move(changed)) {}
  EditHistory(const EditHistory&) = delete;
  EditHistory& operator=(const EditHistory&) = delete;

  // Adds a change that has happened; the steps that could be redone go (and
  // with them a saved state among them).
  void Push(std::unique_ptr<EditStep> step);
  bool CanUndo() const { return m_index > 0; }
  bool CanRedo() const { return m_index < m_steps.size(); }
  std::string UndoName() const { return CanUndo() ? m_steps[m_index - 1]->Name() : ""; }
  std::string RedoName() const { return CanRedo() ? m_steps[m_index]->Name() : ""; }
  void Undo();
  void Redo();

  // True when the list is as its file holds it.
  bool IsClean() const { return m_clean == m_index; }
  // A new list: no steps; it is as its file holds it when `saved`.
  void Start(bool saved);
  // The list as it is now was saved.
  void MarkSaved();
  // The list holds changes that no state of the history has saved.
  void MarkUnsaved();

 private:
  std::function<void()> m_changed;
  std::vector<std::unique_ptr<EditStep>> m_steps;
  std::size_t m_index = 0;                 // steps done
  std::optional<std::size_t> m_clean = 0;  // steps done at the saved state
};

}  // namespace corvella
