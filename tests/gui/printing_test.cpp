// Printing through Qt, headless: a 41-row list printed to a PDF file comes out
// as two landscape pages, the preview lays out the same pages, the printer
// settings keep landscape afterwards; and requests travel through the real
// system clipboard and back.

#include "shell/printing.h"

#include <sys/resource.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <memory>

#include "listview/corvella_view.h"
#include "listview/view_columns.h"
#include "listview/view_print.h"
#include "platform/profile.h"
#include "platform/qt/list_widget.h"
#include "platform/qt/qt_clipboard.h"
#include "requests/corvella_doc.h"
#include "shell/view_list_client.h"
#include "support/recording_dc.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

namespace {

struct PdfPage {
  double width = 0;
  double height = 0;
};

// The pages of a PDF file as its page objects state them: one /MediaBox per
// /Type /Page object.
QList<PdfPage> PdfPages(const QByteArray& pdf) {
  QList<PdfPage> pages;
  const QString text = QString::fromLatin1(pdf);
  static const QRegularExpression pageObject(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
  static const QRegularExpression mediaBox(QStringLiteral(
      "/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"));
  auto it = pageObject.globalMatch(text);
  while (it.hasNext()) {
    const auto match = it.next();
    // The page's dictionary runs to the end of its object.
    const qsizetype end = text.indexOf(QStringLiteral("endobj"), match.capturedEnd());
    const qsizetype begin = text.lastIndexOf(QStringLiteral(" obj"), match.capturedStart());
    const QString object = text.mid(begin, end - begin);
    const auto box = mediaBox.match(object);
    PdfPage page;
    if (box.hasMatch()) {
      page.width = box.captured(3).toDouble() - box.captured(1).toDouble();
      page.height = box.captured(4).toDouble() - box.captured(2).toDouble();
    }
    pages.append(page);
  }
  return pages;
}

// Runs `answer` on the first visible dialog of type T once it shows (polling,
// so it works whatever the dialog does before its event loop runs).
template <typename T, typename F>
void AnswerDialog(QObject* context, F answer) {
  QTimer::singleShot(0, context, [answer] {
    for (int i = 0; i < 250; ++i) {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
          answer(dialog);
          return;
        }
      }
      QTest::qWait(20);
    }
  });
}

}  // namespace

class PrintingTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void printsFortyOneRowsToTwoLandscapePdfPages();
  void directPrintPrintsEveryPage();
  void printDialogOffersThePagesAndPrintsTheChosenRange_data();
  void printDialogOffersThePagesAndPrintsTheChosenRange();
  void cancelledPrintDialogPrintsNothing();
  void withoutPrinterTheDialogOffersAPdfFile();
  void previewShowsTheSamePagesInLandscape();
  void reportsAFileItCannotWrite();
  void reportsAFileItCannotWriteCompletelyAndKeepsTheOldOne();
  void clipboardRoundTripThroughTheSystemClipboard();
  void emptyListIsLaidOutAtTheDisplaysResolution();

 private:
  void AddRows(int count);

  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<AppProfile> m_profile;
  std::unique_ptr<ScriptedUi> m_ui;
  std::unique_ptr<CCorvellaDoc> m_doc;
  std::unique_ptr<CCorvellaView> m_view;
  std::unique_ptr<Printing> m_printing;  // on this build's printing module, loaded
};

void PrintingTest::init() {
  m_dir = std::make_unique<TempDir>();
  m_profile = std::make_unique<AppProfile>(
      m_dir->Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n"));
  m_ui = std::make_unique<ScriptedUi>();
  m_doc = std::make_unique<CCorvellaDoc>(*m_profile, *m_ui);
  m_view = std::make_unique<CCorvellaView>(*m_doc, *m_ui);
  SetupColumns(m_view->GetListCtrl(), nullptr);
  m_view->Checks().SetLoading(false);
  m_view->SetScreenDpi(96, 96);
  m_doc->SetSportFileForRun("BASK.REQ");
  m_printing = std::make_unique<Printing>(nullptr, *m_view, QStringLiteral(CORVELLA_PRINT_MODULE));
  QVERIFY2(m_printing->printer() != nullptr, qPrintable(m_printing->lastError()));
}

void PrintingTest::cleanup() {
  m_printing.reset();
  m_view.reset();
  m_doc.reset();
  m_ui.reset();
  m_profile.reset();
  m_dir.reset();
}

void PrintingTest::AddRows(int count) {
  ListControl& list = m_view->GetListCtrl();
  const char* cells[kColumnCount] = {"",  "",  "I",       "N",   "G", "1", "Continuous",
                                     "1", "C", "DEFAULT", "RTD", "0", "0"};
  for (int i = 0; i < count; ++i) {
    const int row = list.GetItemCount();
    list.InsertItem(row, std::to_string(row + 1));
    for (int c = 1; c < kColumnCount; ++c) list.SetItemText(row, c, cells[c]);
    list.SetItemText(row, COL_DESCRIPTION, "Leaders & more " + std::to_string(row + 1));
  }
}

void PrintingTest::printsFortyOneRowsToTwoLandscapePdfPages() {
  AddRows(41);
  Printing& printing = *m_printing;
  // The operator starts out in portrait.
  printing.printer()->setPageOrientation(QPageLayout::Portrait);
  const QString path = QString::fromStdString(m_dir->File("list.pdf"));
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(path);

  printing.Print(true);
  QVERIFY2(printing.lastError().isEmpty(), qPrintable(printing.lastError()));

  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray pdf = file.readAll();
  QVERIFY(pdf.startsWith("%PDF-"));
  const QList<PdfPage> pages = PdfPages(pdf);
  QCOMPARE(pages.size(), 2);
  for (const PdfPage& page : pages) {
    QVERIFY(page.height > 0);
    QVERIFY2(page.width > page.height, "page is not landscape");
  }
  // Print Setup would now show landscape: the setting stays for the run.
  QCOMPARE(printing.printer()->pageLayout().orientation(), QPageLayout::Landscape);
  QCOMPARE(m_view->GetPrintPage(), 2);
  // Printing changed nothing in the list.
  QCOMPARE(m_view->GetListCtrl().GetItemCount(), 41);
  QVERIFY(!m_doc->IsModified());
}

void PrintingTest::directPrintPrintsEveryPage() {
  AddRows(85);  // three pages
  Printing& printing = *m_printing;
  const QString path = QString::fromStdString(m_dir->File("range.pdf"));
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(path);
  printing.Print(true);
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(PdfPages(file.readAll()).size(), 3);
}

void PrintingTest::printDialogOffersThePagesAndPrintsTheChosenRange_data() {
  QTest::addColumn<QString>("mode");
  QTest::addColumn<int>("expectedPages");
  QTest::newRow("all") << QString() << 3;
  QTest::newRow("from 2 to 3") << QStringLiteral("range") << 2;
}

void PrintingTest::printDialogOffersThePagesAndPrintsTheChosenRange() {
  QFETCH(QString, mode);
  QFETCH(int, expectedPages);
  AddRows(85);  // three pages
  Printing& printing = *m_printing;
  const QString path = QString::fromStdString(m_dir->File("dialog.pdf"));
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(path);

  int offeredMax = -1;
  bool answered = false;
  AnswerDialog<QPrintDialog>(this, [&](QPrintDialog* dialog) {
    answered = true;
    offeredMax = dialog->maxPage();
    if (mode == QLatin1String("range")) {
      auto* radio = dialog->findChild<QRadioButton*>(QStringLiteral("printRange"));
      auto* from = dialog->findChild<QSpinBox*>(QStringLiteral("from"));
      auto* to = dialog->findChild<QSpinBox*>(QStringLiteral("to"));
      if (radio && from && to) {
        radio->setChecked(true);
        from->setValue(2);
        to->setValue(3);
      }
    }
    dialog->accept();
  });
  printing.Print(false);

  QVERIFY(answered);
  QCOMPARE(offeredMax, 3);
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QList<PdfPage> pages = PdfPages(file.readAll());
  QCOMPARE(pages.size(), expectedPages);
  for (const PdfPage& page : pages) QVERIFY(page.width > page.height);
}

void PrintingTest::cancelledPrintDialogPrintsNothing() {
  AddRows(3);
  Printing& printing = *m_printing;
  const QString path = QString::fromStdString(m_dir->File("cancelled.pdf"));
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(path);
  AnswerDialog<QPrintDialog>(this, [](QPrintDialog* dialog) { dialog->reject(); });
  printing.Print(false);
  QVERIFY(!QFile::exists(path));
  QCOMPARE(m_view->GetListCtrl().GetItemCount(), 3);
}

void PrintingTest::withoutPrinterTheDialogOffersAPdfFile() {
  if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a printer is installed here");
  AddRows(1);
  Printing& printing = *m_printing;
  QString offered;
  AnswerDialog<QPrintDialog>(this, [&](QPrintDialog* dialog) {
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
      offered = edit->text();
    dialog->reject();
  });
  printing.Print(false);
  QCOMPARE(printing.printer()->outputFormat(), QPrinter::PdfFormat);
  QVERIFY2(printing.printer()->outputFileName().endsWith(QStringLiteral("/BASK.pdf")),
           qPrintable(printing.printer()->outputFileName()));
  QCOMPARE(offered, printing.printer()->outputFileName());
}

void PrintingTest::previewShowsTheSamePagesInLandscape() {
  AddRows(41);
  Printing& printing = *m_printing;
  printing.printer()->setPageOrientation(QPageLayout::Portrait);

  int pageCount = -1;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  bool found = false;
  // Looks at the preview once it is up, then closes it.
  QTimer::singleShot(0, this, [&] {
    QPrintPreviewDialog* dialog = nullptr;
    for (int i = 0; i < 250 && !dialog; ++i) {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QPrintPreviewDialog*>(w); d && d->isVisible()) dialog = d;
      }
      if (!dialog) QTest::qWait(20);
    }
    if (!dialog) return;
    found = true;
    auto* widget = dialog->findChild<QPrintPreviewWidget*>();
    for (int i = 0; i < 250 && widget && widget->pageCount() != 2; ++i) QTest::qWait(20);
    if (widget) {
      pageCount = widget->pageCount();
      orientation = widget->orientation();
    }
    dialog->reject();
  });
  printing.Preview();

  QVERIFY(found);
  QCOMPARE(pageCount, 2);
  QCOMPARE(orientation, QPageLayout::Landscape);
  QCOMPARE(printing.printer()->pageLayout().orientation(), QPageLayout::Landscape);
}

void PrintingTest::reportsAFileItCannotWrite() {
  AddRows(1);
  Printing& printing = *m_printing;
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(
      QString::fromStdString(m_dir->File("no/such/folder/list.pdf")));
  // The warning box is answered as soon as it shows.
  QTimer::singleShot(0, this, [] {
    for (int i = 0; i < 250; ++i) {
      if (QWidget* box = QApplication::activeModalWidget()) {
        box->close();
        return;
      }
      QTest::qWait(20);
    }
  });
  printing.Print(true);
  QVERIFY(printing.lastError().contains(QStringLiteral("list.pdf")));
}

void PrintingTest::reportsAFileItCannotWriteCompletelyAndKeepsTheOldOne() {
  AddRows(85);
  Printing& printing = *m_printing;
  const QString path = QString::fromStdString(m_dir->Write("list.pdf", "an earlier printout"));
  printing.printer()->setOutputFormat(QPrinter::PdfFormat);
  printing.printer()->setOutputFileName(path);
  QString reported;
  printing.setErrorHandler([&reported](const QString& text) { reported = text; });
  // Files can grow to 8 KiB only, as on a nearly full disk.
  rlimit saved{};
  QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 8192;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
  printing.Print(true);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  QVERIFY2(reported.contains(path), qPrintable(reported));
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("an earlier printout"));
  // No part of the new file is left either.
  QCOMPARE(QDir(QString::fromStdString(m_dir->Path()))
               .entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList({QStringLiteral("CORVELLA.INI"), QStringLiteral("list.pdf")}));
}

void PrintingTest::clipboardRoundTripThroughTheSystemClipboard() {
  QClipboard* system = QGuiApplication::clipboard();
  if (system == nullptr) QSKIP("no clipboard on this platform");
  AddRows(2);
  QtClipboard clipboard;
  m_view->Connect({.clipboard = &clipboard});
  ListControl& list = m_view->GetListCtrl();

  // Copy row 2: the system clipboard holds its line.
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  m_view->OnEditCopy();
  if (system->text().isEmpty()) QSKIP("the platform's clipboard does not keep text here");
  QCOMPARE(system->text(),
           QStringLiteral(" 2|Leaders & more 2|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n"));

  // Text from another program, with a character beyond ASCII, pasted at the end.
  system->setText(QStringLiteral(" 9|G\u00e4ste|T|N|S|4|Single Step|2|D|LIB|SEQ|1|5|\r\n"));
  CCmdUI cmd(ID_EDIT_PASTE);
  list.SetItemState(-1, 0, LVIS_SELECTED);
  m_view->OnUpdateEditPaste(&cmd);
  QVERIFY(cmd.IsEnabled());
  m_view->OnEditPaste();
  QCOMPARE(list.GetItemCount(), 3);
  QCOMPARE(list.GetItemText(2, COL_NUMBER), std::string("3"));
  QCOMPARE(list.GetItemText(2, COL_DESCRIPTION), std::string("G\xe4ste"));
  QCOMPARE(list.GetItemText(2, COL_DISPLAY_MODE), std::string("Single Step"));
  QCOMPARE(list.GetItemText(2, COL_OFFSET), std::string("5"));
}

// With no row drawn yet, the page is laid out at the resolution of the
// display the list is on (gui_printing_test_dpi120 runs it on a 120 dpi one).
void PrintingTest::emptyListIsLaidOutAtTheDisplaysResolution() {
  m_view->SetScreenDpi(0, 0);
  ViewListClient client(*m_view);
  ListWidget widget(m_view->GetListCtrl(), client);
  client.Attach(widget);
  RecordingDc dc;
  dc.printing = true;
  PrintInfo info;
  m_view->OnPrepareDC(dc, &info);
  m_view->OnDraw(dc);
  client.Detach();
  // The title stands one inch in and a third of an inch down.
  const RecordingDc::Record* title = dc.FindText("BASK.REQ");
  QVERIFY(title != nullptr);
  QCOMPARE(title->rect.left, widget.logicalDpiX());
  QCOMPARE(title->rect.top, widget.logicalDpiY() / 3);
}

QTEST_MAIN(PrintingTest)
#include "printing_test.moc"
