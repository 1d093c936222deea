#pragma once
// A one-line label that shows a text too long for its width cut with "…",
// so a cut line never reads as a whole sentence ("the sign service cannot").
// The label's text, its tool tip and what a screen reader reads stay whole;
// only the painting is shortened.

#include <QLabel>

namespace corvella {

class ElidingLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidingLabel(QWidget* parent = nullptr);

  // The text as painted at the label's present width.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvella
