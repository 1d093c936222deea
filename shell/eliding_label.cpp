#include "shell/eliding_label.h"

#include <QPainter>
#include <QStyle>

namespace corvella {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {
  // Any width will do: the text is cut to it, never widening the window.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setMinimumWidth(1);
}

QString ElidingLabel::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void ElidingLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  style()->drawItemText(&painter, contentsRect(),
                        QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                        isEnabled(), ShownText(), foregroundRole());
}

}  // namespace corvella
