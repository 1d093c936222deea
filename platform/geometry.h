#pragma once
// Plain geometry values shared by the list-control model, the device context
// and the view code. Coordinates are in pixels (screen) or logical units (page).

namespace corvella {

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int cx = 0;
  int cy = 0;
};

// A rectangle with exclusive right and bottom edges, as the drawing code expects.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

}  // namespace corvella
