#include "platform/qt/qt_dc.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>
#include <algorithm>

#include "platform/qt/windows1252.h"

namespace corvella {

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Rect has exclusive right and bottom edges, as QRect(x, y, w, h) does.
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QFont::StyleHint HintForFace(const QString& face) {
  const QString f = face.toLower();
  if (f.contains(QLatin1String("courier")) || f.contains(QLatin1String("mono")) ||
      f.contains(QLatin1String("fixed")))
    return QFont::TypeWriter;
  if (!f.contains(QLatin1String("sans")) &&
      (f.contains(QLatin1String("times")) || f.contains(QLatin1String("roman")) ||
       f.contains(QLatin1String("serif"))))
    return QFont::Serif;
  return QFont::SansSerif;
}

// The font's height in the painter's logical units, as a FontSpec states it
// (negative: character height).
FontSpec SpecFromFont(const QFont& font, const QPaintDevice* device) {
  FontSpec fontSpec;
  fontSpec.face = ToWindows1252(font.family());
  if (font.pixelSize() > 0) {
    fontSpec.height = -font.pixelSize();
  } else {
    const int dpi = device ? device->logicalDpiY() : 96;
    fontSpec.height = -qRound(font.pointSizeF() * dpi / 72.0);
  }
  fontSpec.weight = font.weight();
  return fontSpec;
}

}  // namespace

QFont FontFromSpec(const FontSpec& fontSpec, const QFont& base) {
  QFont font(base);
  const QString face = FromWindows1252(fontSpec.face);
  if (!face.isEmpty()) {
    font.setFamily(face);
    font.setStyleHint(HintForFace(face));
  }
  if (fontSpec.height < 0) {
    font.setPixelSize(std::max(1, -fontSpec.height));
  } else if (fontSpec.height > 0) {
    // A positive height is the cell height (ascent plus descent): scale the
    // character height so that the cell comes out at the asked size.
    font.setPixelSize(fontSpec.height);
    const qreal cell = QFontMetricsF(font).height();
    if (cell > 0) font.setPixelSize(std::max(1, qRound(fontSpec.height * fontSpec.height / cell)));
  }
  font.setWeight(
      static_cast<QFont::Weight>(std::clamp(fontSpec.weight > 0 ? fontSpec.weight : 400, 1, 1000)));
  return font;
}

QtDeviceContext::QtDeviceContext(QPainter& painter, bool printing)
    : m_painter(painter),
      m_printing(printing),
      m_initialFont(painter.font()),
      m_initialSpec(SpecFromFont(painter.font(), painter.device())),
      m_fontSpec(m_initialSpec),
      m_initialTransform(painter.transform()) {}

QtDeviceContext::~QtDeviceContext() {
  m_painter.setFont(m_initialFont);
  m_painter.setTransform(m_initialTransform);
}

int QtDeviceContext::GetDeviceCaps(int index) const {
  const QPaintDevice* device = m_painter.device();
  if (!device) return 0;
  switch (index) {
    case LOGPIXELSX: return device->logicalDpiX();
    case LOGPIXELSY: return device->logicalDpiY();
    case HORZRES: return device->width();
    case VERTRES: return device->height();
    default: return 0;
  }
}

COLORREF QtDeviceContext::SetTextColor(COLORREF color) {
  const COLORREF old = m_textColor;
  m_textColor = color;
  return old;
}

COLORREF QtDeviceContext::SetBkColor(COLORREF color) {
  const COLORREF old = m_bkColor;
  m_bkColor = color;
  return old;
}

void QtDeviceContext::FillSolidRect(const Rect& rect, COLORREF color) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  m_painter.fillRect(ToQRect(rect), ToQColor(color));
}

void QtDeviceContext::FrameRect(const Rect& rect, COLORREF color) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  // Four one-unit bars just inside the rectangle; filled rectangles keep the
  // edges on the unit grid at any mapping, which a pen would not.
  const QColor c = ToQColor(color);
  const int w = rect.Width();
  const int h = rect.Height();
  m_painter.fillRect(QRect(rect.left, rect.top, w, 1), c);
  if (h > 1) m_painter.fillRect(QRect(rect.left, rect.bottom - 1, w, 1), c);
  if (h > 2) {
    m_painter.fillRect(QRect(rect.left, rect.top + 1, 1, h - 2), c);
    if (w > 1) m_painter.fillRect(QRect(rect.right - 1, rect.top + 1, 1, h - 2), c);
  }
}

void QtDeviceContext::DrawText(const std::string& text, const Rect& rect, unsigned format) {
  const QString s = FromWindows1252(text);
  int flags = 0;
  if (format & DT_CENTER) {
    flags |= Qt::AlignHCenter;
  } else if (format & DT_RIGHT) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  if (format & DT_SINGLELINE) {
    // Vertical placement applies to a single line only.
    flags |= Qt::TextSingleLine;
    if (format & DT_BOTTOM) {
      flags |= Qt::AlignBottom;
    } else if (format & DT_VCENTER) {
      flags |= Qt::AlignVCenter;
    } else {
      flags |= Qt::AlignTop;
    }
  } else {
    flags |= Qt::AlignTop;
  }
  // Without DT_NOPREFIX "&x" underlines x and "&&" is one "&"; with it Qt's
  // default draws every "&" as itself.
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  // Qt would keep the text inside the rectangle on its own; the clipping is
  // done below, and only without DT_NOCLIP.
  flags |= Qt::TextDontClip;

  QRectF r = QRectF(ToQRect(rect));
  m_painter.save();
  if (!(format & DT_NOCLIP)) m_painter.setClipRect(r, Qt::IntersectClip);
  const QTransform t = m_painter.transform();
  if (t.m11() < 0 || t.m22() < 0) {
    // A mapping with a flipped axis still draws text upright: place the
    // rectangle on the device, then draw with the scale alone.
    const QRectF onDevice = t.mapRect(r);
    const QTransform upright(qAbs(t.m11()), 0, 0, qAbs(t.m22()), 0, 0);
    m_painter.setTransform(upright);
    r = upright.inverted().mapRect(onDevice);
  }
  // Opaque background: the text's own box in the background colour.
  const QRectF box = m_painter.boundingRect(r, flags, s);
  m_painter.fillRect(box, ToQColor(m_bkColor));
  m_painter.setPen(ToQColor(m_textColor));
  m_painter.drawText(r, flags, s);
  m_painter.restore();
}

Size QtDeviceContext::GetTextExtent(const std::string& text) const {
  const QFontMetricsF fm(m_painter.font(), m_painter.device());
  const qreal width = fm.horizontalAdvance(FromWindows1252(text));
  return Size{static_cast<int>(qCeil(width - 0.01)), static_cast<int>(qCeil(fm.height() - 0.01))};
}

FontSpec QtDeviceContext::SelectFont(const FontSpec& font) {
  const FontSpec old = m_fontSpec;
  m_fontSpec = font;
  if (font == m_initialSpec) {
    m_painter.setFont(m_initialFont);
  } else {
    QFont f = FontFromSpec(font, m_initialFont);
    // Unhinted outlines measure the same at any scale, so what is measured in
    // logical units is what lands on the scaled printer page.
    if (m_printing) f.setHintingPreference(QFont::PreferNoHinting);
    m_painter.setFont(f);
  }
  return old;
}

int QtDeviceContext::SetMapMode(int mode) {
  const int old = m_mapMode;
  m_mapMode = mode == MM_ANISOTROPIC ? MM_ANISOTROPIC : MM_TEXT;
  ApplyMapping();
  return old;
}

void QtDeviceContext::SetWindowExt(Size extent) {
  // A zero extent is refused, as the platform refuses it.
  if (extent.cx == 0 || extent.cy == 0) return;
  m_windowExt = extent;
  ApplyMapping();
}

void QtDeviceContext::SetViewportExt(Size extent) {
  if (extent.cx == 0 || extent.cy == 0) return;
  m_viewportExt = extent;
  ApplyMapping();
}

void QtDeviceContext::SetViewportOrg(Point origin) {
  m_viewportOrg = origin;
  ApplyMapping();
}

void QtDeviceContext::ApplyMapping() {
  // device = logical * viewportExt / windowExt + viewportOrg; the extents
  // count only in the anisotropic mode.
  qreal sx = 1.0;
  qreal sy = 1.0;
  if (m_mapMode == MM_ANISOTROPIC) {
    sx = static_cast<qreal>(m_viewportExt.cx) / m_windowExt.cx;
    sy = static_cast<qreal>(m_viewportExt.cy) / m_windowExt.cy;
  }
  const QTransform mapping(sx, 0, 0, sy, m_viewportOrg.x, m_viewportOrg.y);
  m_painter.setTransform(mapping * m_initialTransform);
}

}  // namespace corvella
