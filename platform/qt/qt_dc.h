#pragma once
// QtDeviceContext: the device context over a QPainter. One implementation
// serves the list on screen, the printer and the print preview; the painter
// decides which device the drawing lands on.

#include <QFont>
#include <QTransform>

#include "platform/dc.h"

class QPainter;

namespace corvella {

// The Qt font a FontSpec asks for: the face (with a generic fallback of the
// same kind where the face is not installed), the height in logical units
// (negative: character height, positive: cell height, 0: `base`'s size) and
// the weight. `base` provides everything else.
QFont FontFromSpec(const FontSpec& fontSpec, const QFont& base);

class QtDeviceContext final : public DeviceContext {
 public:
  // Draws through `painter`, which must be active for the whole life of this
  // object. The painter's font at construction is the selected font;
  // `printing` is what IsPrinting() answers. The destructor gives the painter
  // back its font and transform.
  explicit QtDeviceContext(QPainter& painter, bool printing = false);
  ~QtDeviceContext() override;
  QtDeviceContext(const QtDeviceContext&) = delete;
  QtDeviceContext& operator=(const QtDeviceContext&) = delete;

  // ---- implements DeviceContext ----------------------------------------------
  int GetDeviceCaps(int index) const override;
  bool IsPrinting() const override { return m_printing; }
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

 private:
  void ApplyMapping();

  QPainter& m_painter;
  bool m_printing;
  COLORREF m_textColor = RGB(0, 0, 0);
  COLORREF m_bkColor = RGB(255, 255, 255);

  // The font the painter came with, restored when it is selected again.
  QFont m_initialFont;
  FontSpec m_initialSpec;
  FontSpec m_fontSpec;

  QTransform m_initialTransform;
  int m_mapMode = MM_TEXT;
  Size m_windowExt{1, 1};
  Size m_viewportExt{1, 1};
  Point m_viewportOrg;
};

}  // namespace corvella
