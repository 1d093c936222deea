#include "platform/text_rows.h"

#include <algorithm>

namespace corvella {

TextRows::TextRows(int columnsHint) : m_columnsHint(std::max(columnsHint, 1)) {}

TextRows::~TextRows() = default;

void TextRows::Reserve(int count) {
  if (count > 0) m_rows.reserve(static_cast<std::size_t>(count));
}

int TextRows::Insert(int row, const std::string& label) {
  if (row < 0) return -1;
  row = std::min(row, Count());
  std::vector<std::string> texts;
  // Room for a text per column, so filling the row allocates once.
  texts.reserve(static_cast<std::size_t>(m_columnsHint));
  texts.push_back(label);
  m_rows.insert(m_rows.begin() + row, std::move(texts));
  NoteInserted(row);
  ++m_revision;
  Tell([row](TextRowsObserver& o) { o.OnRowInserted(row); });
  return row;
}

bool TextRows::Remove(int row) {
  if (row < 0 || row >= Count()) return false;
  m_rows.erase(m_rows.begin() + row);
  NoteDeleted(row);
  ++m_revision;
  Tell([row](TextRowsObserver& o) { o.OnRowRemoved(row); });
  return true;
}

void TextRows::Clear() {
  // Every row of the last look is gone.
  const int count = Count();
  m_changed.delta -= count;
  m_changed.first = 0;
  m_changed.end = 0;
  m_changed.any = m_changed.any || count > 0;
  m_rows.clear();
  ++m_revision;
  Tell([](TextRowsObserver& o) { o.OnRowsReset(); });
}

void TextRows::RemoveColumn(int column) {
  if (column < 0) return;
  for (int row = 0; row < Count(); ++row) {
    auto& texts = m_rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= texts.size()) continue;
    texts.erase(texts.begin() + column);
    if (column > 0) NoteTextChanged(row);
  }
  ++m_revision;
  Tell([column](TextRowsObserver& o) { o.OnColumnRemoved(column); });
}

const std::string& TextRows::Text(int row, int column) const {
  static const std::string kNone;
  if (row < 0 || row >= Count() || column < 0) return kNone;
  const auto& texts = m_rows[static_cast<std::size_t>(row)];
  if (static_cast<std::size_t>(column) >= texts.size()) return kNone;
  return texts[static_cast<std::size_t>(column)];
}

bool TextRows::SetText(int row, int column, const std::string& text) {
  if (row < 0 || row >= Count() || column < 0 || column >= kMaxColumns) return false;
  auto& texts = m_rows[static_cast<std::size_t>(row)];
  if (static_cast<std::size_t>(column) >= texts.size())
    texts.resize(static_cast<std::size_t>(column) + 1);
  if (texts[static_cast<std::size_t>(column)] == text) return true;
  texts[static_cast<std::size_t>(column)] = text;
  if (column > 0) NoteTextChanged(row);
  ++m_revision;
  Tell([row, column](TextRowsObserver& o) { o.OnCellChanged(row, column); });
  return true;
}

void TextRows::AddObserver(TextRowsObserver* observer) {
  if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void TextRows::RemoveObserver(TextRowsObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                    m_observers.end());
}

template <typename Event>
void TextRows::Tell(const Event& event) {
  // By index: an observer may remove itself while it is told.
  for (std::size_t i = 0; i < m_observers.size(); ++i) event(*m_observers[i]);
}

TextRows::ChangedRows TextRows::TakeChangedRows() {
  const ChangedRows changed = m_changed;
  m_changed = ChangedRows();
  return changed;
}

void TextRows::NoteTextChanged(int row) {
  if (!m_changed.any) {
    m_changed = ChangedRows{true, row, row + 1, 0};
    return;
  }
  // Rows between the block and `row` are unchanged, so the wider block
  // still maps onto the rows of the last look.
  m_changed.first = std::min(m_changed.first, row);
  m_changed.end = std::max(m_changed.end, row + 1);
}

void TextRows::NoteInserted(int row) {
  if (!m_changed.any) {
    m_changed = ChangedRows{true, row, row + 1, 1};
    return;
  }
  if (row <= m_changed.end) {
    ++m_changed.end;  // in or before the block: it moves down by one
  } else {
    m_changed.end = row + 1;
  }
  m_changed.first = std::min(m_changed.first, row);
  ++m_changed.delta;
}

void TextRows::NoteDeleted(int row) {
  if (!m_changed.any) {
    m_changed = ChangedRows{true, row, row, -1};
    return;
  }
  if (row < m_changed.first) {
    m_changed.first = row;
    --m_changed.end;
  } else if (row < m_changed.end) {
    --m_changed.end;
  } else {
    m_changed.end = row;
  }
  --m_changed.delta;
}

}  // namespace corvella
