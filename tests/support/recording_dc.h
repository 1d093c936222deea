#pragma once
// Test seam: a DeviceContext that records every operation in order and
// measures text with a fixed-width font (charWidth pixels per byte, height
// charHeight), so drawing and shortening can be checked exactly.
// Device capabilities answer from `caps` (96 pixels per inch and an 800 x 600
// surface unless a test sets others).

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/dc.h"

namespace corvella {

class RecordingDc : public DeviceContext {
 public:
  enum class Op {
    Fill,
    Frame,
    Text,
    Font,
    TextColor,
    BkColor,
    MapMode,
    WindowExt,
    ViewportExt,
    ViewportOrg
  };

  // One recorded operation. For Text, textColor and bkColor are the colours
  // in effect when the text was drawn and font the selected font.
  struct Record {
    Op op = Op::Fill;
    Rect rect;
    COLORREF color = 0;  // fill/frame colour, or the colour set
    std::string text;
    unsigned format = 0;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    FontSpec font;
    int value = 0;  // map mode
    Size size;      // window/viewport extent
    Point point;    // viewport origin
  };

  RecordingDc();

  int charWidth = 7;
  int charHeight = 13;
  // Replaces the fixed-width measure when set (width of a text in pixels).
  std::function<int(const std::string&, const FontSpec&)> measure;
  std::map<int, int> caps;
  bool printing = false;

  std::vector<Record> records;

  // ---- queries ---------------------------------------------------------------
  std::vector<Record> Of(Op op) const;
  std::vector<Record> Texts() const { return Of(Op::Text); }
  std::vector<Record> Fills() const { return Of(Op::Fill); }
  std::vector<Record> Frames() const { return Of(Op::Frame); }
  // The first text record with exactly this text, or nullptr.
  const Record* FindText(const std::string& text) const;
  // Fills whose rectangle is exactly `rect`.
  std::vector<Record> FillsAt(const Rect& rect) const;
  void Clear() { records.clear(); }

  // ---- implements DeviceContext ------------------------------------------------
  int GetDeviceCaps(int index) const override;
  bool IsPrinting() const override { return printing; }
  COLORREF SetTextColor(COLORREF color) override;
  COLORREF SetBkColor(COLORREF color) override;
  COLORREF GetTextColor() const override { return m_textColor; }
  COLORREF GetBkColor() const override { return m_bkColor; }
  void FillSolidRect(const Rect& rect, COLORREF color) override;
  void FrameRect(const Rect& rect, COLORREF color) override;
  void DrawText(const std::string& text, const Rect& rect, unsigned format) override;
  Size GetTextExtent(const std::string& text) const override;
  FontSpec SelectFont(const FontSpec& font) override;
  int SetMapMode(int mode) override;
  void SetWindowExt(Size extent) override;
  void SetViewportExt(Size extent) override;
  void SetViewportOrg(Point origin) override;

  FontSpec CurrentFont() const { return m_font; }
  int MapMode() const { return m_mapMode; }

 private:
  COLORREF m_textColor = RGB(0, 0, 0);
  COLORREF m_bkColor = RGB(255, 255, 255);
  FontSpec m_font;
  int m_mapMode = MM_TEXT;
};

}  // namespace corvella
