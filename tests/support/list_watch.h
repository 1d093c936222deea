#pragma once
// ListWatch: a ListControlObserver for tests whose calls are set as
// functions; a call without one does nothing.

#include <functional>

#include "platform/list_control.h"

namespace corvella {

struct ListWatch : ListControlObserver {
  std::function<void(const Rect&, bool)> invalidate;
  std::function<void()> update;
  std::function<void()> layout;
  std::function<void(const ListItemChange&)> item;

  void OnInvalidate(const Rect& rect, bool erase) override {
    if (invalidate) invalidate(rect, erase);
  }
  void OnUpdate() override {
    if (update) update();
  }
  void OnLayoutChanged() override {
    if (layout) layout();
  }
  void OnItemChanged(const ListItemChange& change) override {
    if (item) item(change);
  }
};

}  // namespace corvella
