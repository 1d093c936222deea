#pragma once
// The device context: every drawing operation the row painter, the page
// painter and the text shortening use, written once against this interface.
// One QPainter implementation serves screen, printer and preview; tests use a
// recording implementation.

#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace corvella {

using COLORREF = std::uint32_t;  // 0x00BBGGRR

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xff; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xff; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xff; }

// Text drawing flags (values as the drawing code has always used them).
enum : unsigned {
  DT_LEFT = 0x0000,
  DT_CENTER = 0x0001,
  DT_RIGHT = 0x0002,
  DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008,
  DT_SINGLELINE = 0x0020,
  DT_NOCLIP = 0x0100,
  DT_NOPREFIX = 0x0800,
};

// Device capabilities asked for by the painters.
enum : int { HORZRES = 8, VERTRES = 10, LOGPIXELSX = 88, LOGPIXELSY = 90 };

// Mapping modes.
enum : int { MM_TEXT = 1, MM_ANISOTROPIC = 8 };

// System colours.
enum : int {
  COLOR_ACTIVEBORDER = 10,
  COLOR_WINDOW = 5,
  COLOR_WINDOWTEXT = 8,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
};

// The classic desktop palette for the system colours above; the Qt side maps
// them to the widget palette where one is at hand.
COLORREF GetSysColor(int index);

// A font request: face name, height in logical units (negative: character
// height, as the printing code asks for it), weight 400 normal / 700 bold.
struct FontSpec {
  std::string face = "MS Sans Serif";
  int height = -11;
  int weight = 400;
  bool operator==(const FontSpec&) const = default;
};

class DeviceContext {
 public:
  virtual ~DeviceContext() = default;

  virtual int GetDeviceCaps(int index) const = 0;
  virtual bool IsPrinting() const = 0;

  virtual COLORREF SetTextColor(COLORREF color) = 0;  // returns the previous colour
  virtual COLORREF SetBkColor(COLORREF color) = 0;    // returns the previous colour
  virtual COLORREF GetTextColor() const = 0;
  virtual COLORREF GetBkColor() const = 0;

  virtual void FillSolidRect(const Rect& rect, COLORREF color) = 0;
  // A one-unit frame just inside the rectangle, as FrameRect with a solid brush.
  virtual void FrameRect(const Rect& rect, COLORREF color) = 0;
  // Draws text (8-bit, Windows-1252) in the rectangle with DT_ flags, text in
  // the text colour on an opaque background of the background colour.
  virtual void DrawText(const std::string& text, const Rect& rect, unsigned format) = 0;
  // Width and height of the text in the selected font, in logical units.
  virtual Size GetTextExtent(const std::string& text) const = 0;

  // Selects a font; returns the previously selected one.
  virtual FontSpec SelectFont(const FontSpec& font) = 0;

  virtual int SetMapMode(int mode) = 0;
  virtual void SetWindowExt(Size extent) = 0;
  virtual void SetViewportExt(Size extent) = 0;
  virtual void SetViewportOrg(Point origin) = 0;
};

}  // namespace corvella
