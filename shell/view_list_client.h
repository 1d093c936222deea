#pragma once
// Connects the request list view to its window: the window's paint, mouse,
// key and focus events become the view's handlers, and the window's font
// measures the view's texts.

#include "listview/view_services.h"
#include "platform/qt/list_widget.h"

namespace corvella {

class CCorvellaView;
class ListHistory;

class ViewListClient : public ListWidgetClient, public TextMeasure {
 public:
  explicit ViewListClient(CCorvellaView& view) : m_view(view) {}

  // Measures texts in the widget's font, which must outlive the measuring
  // (until Detach).
  void Attach(ListWidget& widget);
  void Detach() { m_widget = nullptr; }
  // Records what keys and clicks change in the list as undo steps; none:
  // nothing is recorded.
  void SetHistory(ListHistory* history) { m_history = history; }

  // ---- implements ListWidgetClient -------------------------------------------------
  void DrawItem(DeviceContext& dc, int row, const Rect& rcItem) override;
  void OnLButtonDown(unsigned flags, Point point) override;
  void OnLButtonDblClk(unsigned flags, Point point) override;
  void OnRButtonDown(unsigned flags, Point point) override;
  void OnKeyDown(unsigned vk, unsigned repeat, unsigned flags) override;
  void OnKeyUp(unsigned vk, unsigned repeat, unsigned flags) override;
  void OnSetFocus() override;
  void OnKillFocus() override;
  int CurrentRow() const override;
  int CurrentColumn() const override;

  // ---- implements TextMeasure ------------------------------------------------------
  // 0 while no widget is attached.
  int TextWidth(const std::string& text) const override;

 private:
  // Runs one event of the list, through the history when there is one.
  template <typename Event>
  void Run(const Event& event);

  CCorvellaView& m_view;
  ListHistory* m_history = nullptr;
  const ListWidget* m_widget = nullptr;
};

}  // namespace corvella
