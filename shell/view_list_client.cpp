#include "shell/view_list_client.h"

#include "listview/corvella_view.h"
#include "shell/list_history.h"

namespace corvella {

void ViewListClient::Attach(ListWidget& widget) {
  m_widget = &widget;
  // Printing lays a page out in screen pixels; until the list has drawn a
  // row, the display the list is on gives the resolution.
  if (m_view.ScreenDpiX() <= 0 || m_view.ScreenDpiY() <= 0)
    m_view.SetScreenDpi(widget.logicalDpiX(), widget.logicalDpiY());
}

int ViewListClient::TextWidth(const std::string& text) const {
  return m_widget ? m_widget->MeasureText(text) : 0;
}

void ViewListClient::DrawItem(DeviceContext& dc, int row, const Rect& rcItem) {
  DrawItemStruct item;
  item.dc = &dc;
  item.itemID = row;
  item.rcItem = rcItem;
  m_view.DrawItem(item);
}

template <typename Event>
void ViewListClient::Run(const Event& event) {
  if (m_history) {
    m_history->Record(event, &ListHistory::NameOfEdit);
  } else {
    event();
  }
}

// Clicks and keys can edit cells (in place, by letter, by the keypad's
// steps); each one that changed the list is one undo step.
void ViewListClient::OnLButtonDown(unsigned flags, Point point) {
  Run([&] { m_view.OnLButtonDown(flags, point); });
}
void ViewListClient::OnLButtonDblClk(unsigned flags, Point point) {
  Run([&] { m_view.OnLButtonDblClk(flags, point); });
}
void ViewListClient::OnRButtonDown(unsigned flags, Point point) {
  m_view.OnRButtonDown(flags, point);
}
void ViewListClient::OnKeyDown(unsigned vk, unsigned repeat, unsigned flags) {
  Run([&] { m_view.OnKeyDown(vk, repeat, flags); });
}
void ViewListClient::OnKeyUp(unsigned vk, unsigned repeat, unsigned flags) {
  m_view.OnKeyUp(vk, repeat, flags);
}
// The other window of a focus change is never a child of the list: the list
// has no in-place editors.
void ViewListClient::OnSetFocus() { m_view.OnSetFocus(false); }
void ViewListClient::OnKillFocus() { m_view.OnKillFocus(false); }

// The caret row is the view's own: the keys move it without touching the
// model's focus flag. Home and End move the highlighted range without the
// caret; the row the operator sees highlighted is then the current one.
int ViewListClient::CurrentRow() const {
  const int caret = m_view.GetFocusRow();
  const int top = m_view.SelectionTop();
  const int bottom = m_view.SelectionBottom();
  if (caret < 0 || (top <= caret && caret <= bottom) || top < 0 || top != bottom) {
    return caret;
  }
  return m_view.SelectionTop();
}
int ViewListClient::CurrentColumn() const { return m_view.CurrentColumn(); }

}  // namespace corvella
