#include "requests/edit_history.h"

namespace corvella {

void EditHistory::Push(std::unique_ptr<EditStep> step) {
  if (m_clean && *m_clean > m_index) m_clean.reset();
  m_steps.resize(m_index);
  m_steps.push_back(std::move(step));
  m_index = m_steps.size();
  m_changed();
}

void EditHistory::Undo() {
  if (!CanUndo()) return;
  m_steps[m_index - 1]->Undo();
  --m_index;
  m_changed();
}

void EditHistory::Redo() {
  if (!CanRedo()) return;
  m_steps[m_index]->Redo();
  ++m_index;
  m_changed();
}

void EditHistory::Start(bool saved) {
  m_steps.clear();
  m_index = 0;
  m_clean = saved ? std::optional<std::size_t>(0) : std::nullopt;
  m_changed();
}

void EditHistory::MarkSaved() {
  m_clean = m_index;
  m_changed();
}

void EditHistory::MarkUnsaved() {
  m_clean.reset();
  m_changed();
}

}  // namespace corvella
