#pragma once
// The operator's guide in a window of its own (non-modal), opened by Help
// Topics, F1 and the click-for-help mode at the topic asked for.

#include <QDialog>

class QTextBrowser;

namespace corvella {

class HelpViewer : public QDialog {
  Q_OBJECT

 public:
  explicit HelpViewer(QWidget* parent = nullptr);

  // Shows the window scrolled to the topic with this anchor ("" the start).
  void ShowTopic(const QString& anchor);
  QTextBrowser* Browser() const { return m_browser; }

 protected:
  // The window the guide was opened from gets the keyboard back, also where
  // no window manager hands it out.
  void hideEvent(QHideEvent* event) override;

 private:
  QTextBrowser* m_browser;
};

}  // namespace corvella
