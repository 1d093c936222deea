// The Qt implementations of the platform interfaces: Windows-1252 texts,
// virtual-key codes, the QPainter device context, the clipboard and the
// message boxes.

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "platform/qt/list_widget.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_dc.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/windows1252.h"
#include "shell/shell_ui.h"

using namespace corvella;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

QImage WhiteImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Bounding box of every pixel that is not white.
QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

int CountPixels(const QImage& image, QRgb color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == color;
  }
  return n;
}

// Draws through a fresh device context on a white image.
template <typename Draw>
QImage Paint(int w, int h, Draw draw) {
  QImage image = WhiteImage(w, h);
  QPainter painter(&image);
  QFont font = painter.font();
  font.setPixelSize(13);
  painter.setFont(font);
  {
    QtDeviceContext dc(painter);
    draw(dc);
  }
  painter.end();
  return image;
}

// Answers the next message box from the event loop: presses `button`, or
// Escape when `button` is NoButton; records what the box showed.
struct BoxAnswer {
  QMessageBox::StandardButton button = QMessageBox::NoButton;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

  void Arm() {
    QTimer::singleShot(0, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      defaultButton = box->standardButton(box->defaultButton());
      if (button == QMessageBox::NoButton) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        box->button(button)->click();
      }
    });
  }
};

}  // namespace

class PlatformQtTest : public QObject {
  Q_OBJECT

 private slots:
  // ---- Windows-1252 -------------------------------------------------------------
  void everyByteSurvivesARoundTrip() {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    QCOMPARE(FromWindows1252(all).size(), 256);
    QCOMPARE(ToWindows1252(FromWindows1252(all)), all);
  }

  void codePageCharacters_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("euro") << QByteArray("\x80") << QString(QChar(0x20AC));
    QTest::newRow("e acute") << QByteArray("\xE9") << QString(QChar(0xE9));
    QTest::newRow("quotes") << QByteArray("\x93x\x94") << QString::fromUtf8("\u201Cx\u201D");
    QTest::newRow("ascii") << QByteArray("Points | 12") << QStringLiteral("Points | 12");
  }
  void codePageCharacters() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(FromWindows1252(bytes.toStdString()), text);
    QCOMPARE(ToWindows1252(text), bytes.toStdString());
  }

  void charactersOutsideTheCodePageBecomeOneQuestionMarkEach() {
    QCOMPARE(ToWindows1252(QString::fromUtf8("a\u0416b\U0001F600c")), std::string("a?b?c"));
  }

  // ---- virtual keys --------------------------------------------------------------
  void virtualKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<unsigned>("vk");
    const int keypad = Qt::KeypadModifier;
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << keypad << unsigned(VK_ADD);
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << keypad << unsigned(VK_SUBTRACT);
    QTest::newRow("main plus") << int(Qt::Key_Plus) << 0 << unsigned(VK_OEM_PLUS);
    QTest::newRow("main equal") << int(Qt::Key_Equal) << 0 << unsigned(VK_OEM_PLUS);
    QTest::newRow("main minus") << int(Qt::Key_Minus) << 0 << unsigned(VK_OEM_MINUS);
    QTest::newRow("letter T") << int(Qt::Key_T) << 0 << unsigned('T');
    QTest::newRow("shifted letter") << int(Qt::Key_C) << int(Qt::ShiftModifier) << unsigned('C');
    QTest::newRow("digit") << int(Qt::Key_5) << 0 << unsigned('5');
    QTest::newRow("keypad digit") << int(Qt::Key_5) << keypad << 0x65u;
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << unsigned(VK_TAB);
    QTest::newRow("backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << unsigned(VK_TAB);
    QTest::newRow("return") << int(Qt::Key_Return) << 0 << unsigned(VK_RETURN);
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << keypad << unsigned(VK_RETURN);
    QTest::newRow("shift") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << unsigned(VK_SHIFT);
    QTest::newRow("control") << int(Qt::Key_Control) << 0 << unsigned(VK_CONTROL);
    QTest::newRow("page up") << int(Qt::Key_PageUp) << 0 << unsigned(VK_PRIOR);
    QTest::newRow("page down") << int(Qt::Key_PageDown) << 0 << unsigned(VK_NEXT);
    QTest::newRow("keypad home") << int(Qt::Key_Home) << keypad << unsigned(VK_HOME);
    QTest::newRow("end") << int(Qt::Key_End) << 0 << unsigned(VK_END);
    QTest::newRow("up") << int(Qt::Key_Up) << 0 << unsigned(VK_UP);
    QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << unsigned(VK_DELETE);
    QTest::newRow("insert") << int(Qt::Key_Insert) << 0 << unsigned(VK_INSERT);
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << unsigned(VK_F1);
    QTest::newRow("F6") << int(Qt::Key_F6) << 0 << unsigned(VK_F6);
    QTest::newRow("unknown") << int(Qt::Key_Adiaeresis) << 0 << 0u;
  }
  void virtualKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(unsigned, vk);
    QCOMPARE(VirtualKeyFromQt(key, Qt::KeyboardModifiers(modifiers)), vk);
  }

  // ---- device context --------------------------------------------------------------
  void fillCoversExactlyItsRectangle() {
    const QImage image = Paint(40, 30, [](DeviceContext& dc) {
      dc.FillSolidRect(Rect{5, 6, 15, 10}, RGB(0, 0, 128));
    });
    QCOMPARE(InkBox(image), QRect(5, 6, 10, 4));
    QCOMPARE(CountPixels(image, qRgb(0, 0, 128)), 40);
  }

  void frameIsOneUnitInsideTheRectangle() {
    const QImage image = Paint(40, 30, [](DeviceContext& dc) {
      dc.FrameRect(Rect{2, 3, 12, 9}, kBlack);
    });
    QCOMPARE(InkBox(image), QRect(2, 3, 10, 6));
    // The perimeter only: 2 * 10 + 2 * 4 pixels.
    QCOMPARE(CountPixels(image, qRgb(0, 0, 0)), 28);
    QCOMPARE(image.pixel(6, 6), qRgb(255, 255, 255));
  }

  void emptyRectanglesDrawNothing() {
    const QImage image = Paint(20, 20, [](DeviceContext& dc) {
      dc.FillSolidRect(Rect{5, 5, 5, 15}, kBlack);
      dc.FrameRect(Rect{5, 5, 15, 5}, kBlack);
    });
    QVERIFY(InkBox(image).isNull());
  }

  void ampersandDrawsAsItselfWithoutPrefixProcessing() {
    // "&&" with prefix processing is one "&"; with DT_NOPREFIX "&" is itself.
    const QImage plain = Paint(80, 24, [](DeviceContext& dc) {
      dc.DrawText("A&B", Rect{0, 0, 80, 24}, DT_SINGLELINE | DT_NOPREFIX);
    });
    const QImage prefixed = Paint(80, 24, [](DeviceContext& dc) {
      dc.DrawText("A&&B", Rect{0, 0, 80, 24}, DT_SINGLELINE);
    });
    const QImage stripped = Paint(80, 24, [](DeviceContext& dc) {
      dc.DrawText("AB", Rect{0, 0, 80, 24}, DT_SINGLELINE | DT_NOPREFIX);
    });
    QCOMPARE(plain, prefixed);
    QVERIFY(InkBox(plain).width() > InkBox(stripped).width());
  }

  void textSitsOnTheBottomAndAlignsHorizontally() {
    const unsigned base = DT_SINGLELINE | DT_NOPREFIX | DT_BOTTOM;
    const QImage left = Paint(200, 60, [&](DeviceContext& dc) {
      dc.DrawText("Mid", Rect{0, 0, 200, 60}, base);
    });
    const QImage centre = Paint(200, 60, [&](DeviceContext& dc) {
      dc.DrawText("Mid", Rect{0, 0, 200, 60}, base | DT_CENTER);
    });
    const QImage right = Paint(200, 60, [&](DeviceContext& dc) {
      dc.DrawText("Mid", Rect{0, 0, 200, 60}, base | DT_RIGHT);
    });
    QVERIFY(InkBox(left).top() > 30);
    QVERIFY(InkBox(left).left() < 10);
    QVERIFY(qAbs(InkBox(centre).center().x() - 100) <= 4);
    QVERIFY(InkBox(right).right() > 190);
  }

  void textHasAnOpaqueBackgroundOfItsOwnExtent() {
    const QImage image = Paint(200, 40, [](DeviceContext& dc) {
      dc.SetBkColor(RGB(0, 0, 128));
      dc.SetTextColor(kWhite);
      dc.DrawText("Text", Rect{0, 0, 200, 40}, DT_SINGLELINE | DT_NOPREFIX);
    });
    const QRect box = InkBox(image);
    QCOMPARE(box.topLeft(), QPoint(0, 0));
    QVERIFY(box.width() < 100);  // the text's box, not the rectangle
    QCOMPARE(image.pixel(1, 1), qRgb(0, 0, 128));
    QCOMPARE(image.pixel(150, 5), qRgb(255, 255, 255));
  }

  void textIsClippedUnlessToldNotTo() {
    const Rect narrow{0, 0, 12, 30};
    const QImage clipped = Paint(200, 30, [&](DeviceContext& dc) {
      dc.DrawText("Wide text here", narrow, DT_SINGLELINE | DT_NOPREFIX);
    });
    const QImage unclipped = Paint(200, 30, [&](DeviceContext& dc) {
      dc.DrawText("Wide text here", narrow, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    });
    QVERIFY(InkBox(clipped).right() < 12);
    QVERIFY(InkBox(unclipped).right() > 40);
  }

  void textExtentIsTheFontsMeasure() {
    QImage image = WhiteImage(10, 10);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    QtDeviceContext dc(painter);
    const QFontMetricsF fm(font, &image);
    const Size extent = dc.GetTextExtent("Request Description");
    QVERIFY(qAbs(extent.cx - fm.horizontalAdvance(QStringLiteral("Request Description"))) < 1.0);
    QVERIFY(qAbs(extent.cy - fm.height()) < 1.0);
    QCOMPARE(dc.GetTextExtent("").cx, 0);
  }

  void selectingFontsChangesMeasureAndRestoresTheFirst() {
    QImage image = WhiteImage(10, 10);
    QPainter painter(&image);
    QtDeviceContext dc(painter);
    const int before = dc.GetTextExtent("Sequence").cx;
    const FontSpec initial = dc.SelectFont(FontSpec{"Arial", -40, 700});
    QVERIFY(dc.GetTextExtent("Sequence").cx > 2 * before);
    const FontSpec big = dc.SelectFont(initial);
    QCOMPARE(big, (FontSpec{"Arial", -40, 700}));
    QCOMPARE(dc.GetTextExtent("Sequence").cx, before);
  }

  void anisotropicMappingScalesLogicalUnits() {
    const QImage image = Paint(100, 100, [](DeviceContext& dc) {
      QCOMPARE(dc.SetMapMode(MM_ANISOTROPIC), int(MM_TEXT));
      dc.SetWindowExt(Size{100, 100});
      dc.SetViewportExt(Size{200, 300});
      dc.SetViewportOrg(Point{4, 6});
      dc.FillSolidRect(Rect{0, 0, 10, 10}, kBlack);
    });
    QCOMPARE(InkBox(image), QRect(4, 6, 20, 30));
  }

  void textStaysUprightOnAFlippedAxis() {
    // y grows upward: logical 0..30 lands on device rows 40 down to 10.
    const QImage flipped = Paint(120, 50, [](DeviceContext& dc) {
      dc.SetMapMode(MM_ANISOTROPIC);
      dc.SetWindowExt(Size{1, 1});
      dc.SetViewportExt(Size{1, -1});
      dc.SetViewportOrg(Point{0, 40});
      dc.DrawText("Up", Rect{0, 0, 100, 30}, DT_SINGLELINE | DT_NOPREFIX | DT_CENTER);
    });
    const QImage upright = Paint(120, 50, [](DeviceContext& dc) {
      dc.DrawText("Up", Rect{0, 10, 100, 40}, DT_SINGLELINE | DT_NOPREFIX | DT_CENTER);
    });
    QVERIFY(!InkBox(upright).isNull());
    QCOMPARE(flipped, upright);
  }

  void mappingIsGivenBackToThePainter() {
    QImage image = WhiteImage(50, 50);
    QPainter painter(&image);
    const QFont font = painter.font();
    {
      QtDeviceContext dc(painter);
      dc.SetMapMode(MM_ANISOTROPIC);
      dc.SetViewportExt(Size{3, 3});
      dc.SelectFont(FontSpec{"Courier New", -30, 400});
    }
    QVERIFY(painter.transform().isIdentity());
    QCOMPARE(painter.font(), font);
  }

  void deviceCapsComeFromThePaintDevice() {
    QImage image = WhiteImage(300, 200);
    image.setDotsPerMeterX(11811);  // 300 dpi
    image.setDotsPerMeterY(23622);  // 600 dpi
    QPainter painter(&image);
    QtDeviceContext screen(painter);
    QCOMPARE(screen.GetDeviceCaps(LOGPIXELSX), 300);
    QCOMPARE(screen.GetDeviceCaps(LOGPIXELSY), 600);
    QCOMPARE(screen.GetDeviceCaps(HORZRES), 300);
    QCOMPARE(screen.GetDeviceCaps(VERTRES), 200);
    QVERIFY(!screen.IsPrinting());
    QtDeviceContext printer(painter, true);
    QVERIFY(printer.IsPrinting());
  }

  // ---- clipboard -----------------------------------------------------------------------
  void clipboardCarriesWindows1252Text() {
    QtClipboard clipboard;
    const std::string text = "1|Caf\xE9 \x80 5|I|N\r\n";
    QVERIFY(clipboard.SetText(text));
    QVERIFY(clipboard.HasText());
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromUtf8("1|Caf\u00E9 \u20AC 5|I|N\r\n"));
    QCOMPARE(clipboard.GetText().value_or(""), text);
    QVERIFY(!clipboard.TextOutsideCodePage());
    // An emoji from another program is told, not only turned into '?'.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("1|Goal \U0001F600|I\r\n"));
    QVERIFY(clipboard.TextOutsideCodePage());
    QGuiApplication::clipboard()->clear();
    QVERIFY(!clipboard.HasText());
    QVERIFY(!clipboard.GetText().has_value());
  }

  // ---- message boxes ------------------------------------------------------------------------
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("press");  // QMessageBox::StandardButton, NoButton: Escape
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    const int yesNo = QMessageBox::Yes | QMessageBox::No;
    const int yesNoCancel = yesNo | QMessageBox::Cancel;
    QTest::newRow("ok") << unsigned(MB_OK) << int(QMessageBox::Ok) << int(IDOK)
                        << int(QMessageBox::Ok) << int(QMessageBox::NoIcon);
    QTest::newRow("ok by escape") << unsigned(MB_OK | MB_ICONEXCLAMATION)
                                  << int(QMessageBox::NoButton) << int(IDOK) << int(QMessageBox::Ok)
                                  << int(QMessageBox::Warning);
    QTest::newRow("yes") << unsigned(MB_YESNO | MB_ICONQUESTION) << int(QMessageBox::Yes)
                         << int(IDYES) << yesNo << int(QMessageBox::Question);
    QTest::newRow("no") << unsigned(MB_YESNO | MB_ICONQUESTION) << int(QMessageBox::No) << int(IDNO)
                        << yesNo << int(QMessageBox::Question);
    QTest::newRow("cancel by escape")
        << unsigned(MB_YESNOCANCEL | MB_ICONEXCLAMATION) << int(QMessageBox::NoButton)
        << int(IDCANCEL) << yesNoCancel << int(QMessageBox::Warning);
    QTest::newRow("ok cancel") << unsigned(MB_OKCANCEL | MB_ICONSTOP) << int(QMessageBox::Cancel)
                               << int(IDCANCEL) << int(QMessageBox::Ok | QMessageBox::Cancel)
                               << int(QMessageBox::Critical);
  }
  void messageBoxes() {
    QFETCH(unsigned, flags);
    QFETCH(int, press);
    QFETCH(int, result);
    QFETCH(int, buttons);
    QFETCH(int, icon);
    ShellUi ui;
    BoxAnswer answer;
    answer.button = QMessageBox::StandardButton(press);
    answer.Arm();
    QCOMPARE(ui.MessageBox("Do you wish to Delete?", "Verify Delete!", flags), result);
    QCOMPARE(answer.title, QStringLiteral("Verify Delete!"));
    QCOMPARE(answer.text, QStringLiteral("Do you wish to Delete?"));
    QCOMPARE(int(answer.buttons), buttons);
    QCOMPARE(int(answer.icon), icon);
    // The first button is the default one, as Enter answers it.
    QVERIFY(answer.defaultButton == QMessageBox::Ok || answer.defaultButton == QMessageBox::Yes);
  }

  void emptyCaptionIsTheProgramTitle() {
    ShellUi ui;
    BoxAnswer answer;
    answer.button = QMessageBox::Ok;
    answer.Arm();
    ui.MessageBox("Illegal Sport in CORVELLA.INI file!", "", MB_OK);
    QCOMPARE(answer.title, QStringLiteral("Corvella"));
  }
};

QTEST_MAIN(PlatformQtTest)
#include "platform_qt_test.moc"
