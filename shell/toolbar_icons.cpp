#include "shell/toolbar_icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <functional>
#include <initializer_list>
#include <utility>

namespace corvella {

namespace {

const QColor kOutline(40, 40, 40);

// The closed outline through `corners`, in turn.
QPainterPath ClosedPath(std::initializer_list<QPointF> corners) {
  QPainterPath path;
  if (corners.size() == 0) return path;
  path.moveTo(*corners.begin());
  for (auto it = corners.begin() + 1; it != corners.end(); ++it) path.lineTo(*it);
  path.closeSubpath();
  return path;
}

// The toolbar icons, each painted into a 16 by 16 unit box with `outline`
// for its edges.

void PaintSave(QPainter& p, const QPen& outline) {
  // A diskette: body, label, shutter.
  p.setPen(outline);
  p.setBrush(QColor(40, 70, 160));
  p.drawRect(QRectF(1.5, 1.5, 13, 13));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 1.5, 9, 6));
  p.setBrush(QColor(190, 190, 200));
  p.drawRect(QRectF(4.5, 10.5, 7, 4));
  p.fillRect(QRectF(9, 11, 1.5, 3), kOutline);
}

void PaintPrint(QPainter& p, const QPen& outline) {
  p.setPen(outline);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4.5, 1.5, 7, 6));  // paper going in
  p.setBrush(QColor(170, 170, 175));
  p.drawRect(QRectF(1.5, 6.5, 13, 6));  // body
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 10.5, 9, 4));  // paper coming out
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
  p.fillRect(QRectF(12, 8, 1.5, 1.5), QColor(40, 170, 40));
}

void PaintCut(QPainter& p, const QPen& /*outline*/) {
  // Scissors: two blades crossing above two handles.
  p.setPen(QPen(QColor(110, 110, 120), 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5.5, 10), QPointF(10.5, 1.5));
  p.drawLine(QPointF(10.5, 10), QPointF(5.5, 1.5));
  p.setPen(QPen(QColor(30, 30, 140), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
  p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
}

void PaintCopy(QPainter& p, const QPen& outline) {
  for (const QPointF& at : {QPointF(1.5, 1.5), QPointF(6.5, 5.5)}) {
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(at, QSizeF(8, 9.5)));
    p.setPen(QPen(QColor(60, 90, 180), 1));
    for (int i = 0; i < 3; ++i) {
      const qreal y = at.y() + 2.5 + i * 2;
      p.drawLine(QPointF(at.x() + 2, y), QPointF(at.x() + 6, y));
    }
  }
}

void PaintPaste(QPainter& p, const QPen& outline) {
  p.setPen(outline);
  p.setBrush(QColor(170, 120, 60));
  p.drawRect(QRectF(1.5, 2.5, 10, 12));  // board
  p.setBrush(QColor(200, 200, 205));
  p.drawRect(QRectF(4.5, 1.5, 4, 2.5));  // clip
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 6.5, 8, 8));  // the pasted page
  p.setPen(QPen(QColor(60, 90, 180), 1));
  p.drawLine(QPointF(8, 9), QPointF(13, 9));
  p.drawLine(QPointF(8, 11), QPointF(13, 11));
  p.drawLine(QPointF(8, 13), QPointF(11, 13));
}

void PaintDelete(QPainter& p, const QPen& /*outline*/) {
  p.setPen(QPen(QColor(200, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
  p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void PaintEdit(QPainter& p, const QPen& outline) {
  // A pencil from the lower left to the upper right.
  p.translate(8, 8);
  p.rotate(-45);
  p.setPen(outline);
  p.setBrush(QColor(245, 200, 40));
  p.drawRect(QRectF(-4.5, -2, 9, 4));
  p.setBrush(QColor(230, 130, 150));
  p.drawRect(QRectF(4.5, -2, 2.5, 4));
  p.setBrush(QColor(240, 220, 180));
  p.drawPath(ClosedPath({{-4.5, -2}, {-7.5, 0}, {-4.5, 2}}));
  p.resetTransform();
}

void PaintAdd(QPainter& p, const QPen& outline) {
  p.setPen(outline);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 1.5, 9, 12));
  p.setPen(QPen(QColor(30, 150, 30), 2.4));
  p.drawLine(QPointF(11.5, 7), QPointF(11.5, 15));
  p.drawLine(QPointF(7.5, 11), QPointF(15.5, 11));
}

void PaintInsert(QPainter& p, const QPen& outline) {
  // Rows of a list with an arrow pointing between two of them.
  p.setPen(outline);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 1.5, 8, 4));
  p.drawRect(QRectF(6.5, 10.5, 8, 4));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 150, 30));
  p.drawPath(ClosedPath({{0.5, 6}, {4, 6}, {4, 4}, {8, 8}, {4, 12}, {4, 10}, {0.5, 10}}));
  p.setPen(QPen(QColor(30, 150, 30), 1));
  p.drawLine(QPointF(8, 8), QPointF(15, 8));
}

void PaintSend(QPainter& p, const QPen& outline) {
  // An arrow flying into a sign board with lit lamps.
  p.setPen(outline);
  p.setBrush(QColor(30, 30, 30));
  p.drawRect(QRectF(7.5, 2.5, 8, 11));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 190, 0));
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 2; ++col) p.drawEllipse(QPointF(10 + col * 3, 5 + row * 3), 1, 1);
  }
  p.setBrush(QColor(210, 30, 30));
  p.drawPath(ClosedPath({{0.5, 6.5}, {4, 6.5}, {4, 4}, {7.5, 8}, {4, 12}, {4, 9.5}, {0.5, 9.5}}));
}

void PaintContextHelp(QPainter& p, const QPen& /*outline*/) {
  // The arrow pointer with a question mark.
  const QPainterPath pointer =
      ClosedPath({{1.5, 1.5}, {1.5, 12}, {4, 9.5}, {6, 14}, {7.5, 13.3}, {5.6, 9}, {9, 9}});
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawPath(pointer);
  QFont f = p.font();
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(20, 40, 170));
  p.drawText(QRectF(8, 0, 8, 13), Qt::AlignCenter, QStringLiteral("?"));
}

// Paints into a 16 by 16 unit box.
void PaintToolIcon(QPainter& p, ToolIcon icon) {
  p.setRenderHint(QPainter::Antialiasing, true);
  QPen outline(kOutline, 1.0);
  outline.setJoinStyle(Qt::MiterJoin);
  switch (icon) {
    case ToolIcon::Save: PaintSave(p, outline); break;
    case ToolIcon::Print: PaintPrint(p, outline); break;
    case ToolIcon::Cut: PaintCut(p, outline); break;
    case ToolIcon::Copy: PaintCopy(p, outline); break;
    case ToolIcon::Paste: PaintPaste(p, outline); break;
    case ToolIcon::Delete: PaintDelete(p, outline); break;
    case ToolIcon::Edit: PaintEdit(p, outline); break;
    case ToolIcon::Add: PaintAdd(p, outline); break;
    case ToolIcon::Insert: PaintInsert(p, outline); break;
    case ToolIcon::Send: PaintSend(p, outline); break;
    case ToolIcon::ContextHelp: PaintContextHelp(p, outline); break;
    case ToolIcon::None: break;
  }
}

// An icon drawn by a painter function in a box of `size` units, painted when
// a size of it is first asked for and at that size (kept for later asks):
// a start paints only the toolbar's buttons, at the screen's pixel ratio,
// and nothing for a menu until it opens.
class PaintedIconEngine final : public QIconEngine {
 public:
  PaintedIconEngine(QSize size, std::function<void(QPainter&)> paint)
      : m_size(size), m_paint(std::move(paint)) {}

  // ---- implements QIconEngine -------------------------------------------------
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    return m_size.scaled(size, Qt::KeepAspectRatio);
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {m_size, m_size * 2}; }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const QSize actual = actualSize(size, mode, state);
    if (actual.isEmpty()) return {};
    const QString key =
        QStringLiteral("%1x%2/%3").arg(actual.width()).arg(actual.height()).arg(mode);
    if (const auto kept = m_pixmaps.constFind(key); kept != m_pixmaps.cend()) return *kept;
    QPixmap pixmap(actual);
    pixmap.fill(Qt::transparent);
    {
      QPainter p(&pixmap);
      p.scale(qreal(actual.width()) / m_size.width(), qreal(actual.height()) / m_size.height());
      m_paint(p);
    }
    // Disabled and selected buttons look as the style makes them of the
    // normal image.
    if (mode != QIcon::Normal) {
      QStyleOption option;
      option.palette = QApplication::palette();
      pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
    }
    m_pixmaps.insert(key, pixmap);
    return pixmap;
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap image = pixmap(rect.size() * ratio, mode, state);
    image.setDevicePixelRatio(ratio);
    QRect target(QPoint(), (QSizeF(image.size()) / ratio).toSize());
    target.moveCenter(rect.center());
    painter->drawPixmap(target, image);
  }
  QIconEngine* clone() const override { return new PaintedIconEngine(*this); }
  QString key() const override { return QStringLiteral("corvella-painted"); }

 private:
  QSize m_size;
  std::function<void(QPainter&)> m_paint;
  QHash<QString, QPixmap> m_pixmaps;  // by device size and mode
};

QIcon PaintedIcon(QSize size, std::function<void(QPainter&)> paint) {
  return QIcon(new PaintedIconEngine(size, std::move(paint)));
}

}  // namespace

QIcon ToolbarIcon(ToolIcon icon) {
  if (icon == ToolIcon::None) return {};
  // Drawn in the 16 by 16 box, pressed to the button's 15 rows.
  return PaintedIcon(QSize(16, 15), [icon](QPainter& p) {
    p.scale(1.0, 15.0 / 16.0);
    PaintToolIcon(p, icon);
  });
}

QIcon ProgramIcon() {
  return PaintedIcon(QSize(32, 32), [](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    // A scoreboard: dark board on two posts with lit amber digits.
    p.fillRect(QRectF(8, 24, 3, 8), QColor(90, 90, 90));
    p.fillRect(QRectF(21, 24, 3, 8), QColor(90, 90, 90));
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(20, 24, 40));
    p.drawRoundedRect(QRectF(1, 3, 30, 22), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 190, 0));
    for (int col = 0; col < 6; ++col) {
      for (int row = 0; row < 3; ++row) {
        if ((col + row) % 4 == 3) continue;
        p.drawEllipse(QPointF(6 + col * 4, 9 + row * 5), 1.4, 1.4);
      }
    }
    p.setBrush(QColor(220, 40, 40));
    p.drawRect(QRectF(4, 5, 24, 1.5));
  });
}

}  // namespace corvella
