#include "shell/printing.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <algorithm>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/qt/qt_dc.h"
#include "platform/qt/windows1252.h"
#include "requests/corvella_doc.h"

namespace corvella {

struct Printing::Impl {
  Impl(QWidget* p, CCorvellaView& v) : parent(p), view(v), printer(QPrinter::HighResolution) {}

  // The job's hooks into the view: landscape for the application's printer.
  PrintInfo MakeInfo() {
    PrintInfo info;
    info.setLandscape = [this] { printer.setPageOrientation(QPageLayout::Landscape); };
    return info;
  }

  QString DocumentTitle() const { return FromWindows1252(view.GetDocument()->GetTitle()); }

  // A PDF file beside the user's documents, named after the document.
  QString DefaultPdfName() const {
    QString base = QFileInfo(DocumentTitle()).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("requests");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(base + QStringLiteral(".pdf"));
  }

  // Makes sure the job has somewhere to go. With no printer installed the
  // printer writes PDF; the direct command then asks for the file name,
  // the print dialog shows it for the operator to change. False when the
  // operator cancels.
  bool ChooseDestination(bool direct) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
      return true;
    if (printer.outputFormat() == QPrinter::NativeFormat &&
        !QPrinterInfo::availablePrinters().isEmpty())
      return true;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (!direct) {
      printer.setOutputFileName(DefaultPdfName());
      return true;
    }
    const QString name =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Print to File"), DefaultPdfName(),
                                     QStringLiteral("PDF files (*.pdf)"));
    if (name.isEmpty()) return false;
    printer.setOutputFileName(name);
    return true;
  }

  // The print dialog with the page range; the chosen pages come back in
  // `pages`. False when the operator cancels.
  bool RunPrintDialog(PrintInfo& info, std::vector<int>& pages) {
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(info.minPage, info.maxPage);
    if (dialog.exec() != QDialog::Accepted) return false;
    pages = ChosenPages(printer, info);
    return true;
  }

  // The pages of minPage..maxPage the printer's page range selects (all of
  // them when no range was chosen), in order.
  static std::vector<int> ChosenPages(const QPrinter& target, const PrintInfo& info) {
    const QPageRanges ranges = target.pageRanges();
    const bool all = target.printRange() != QPrinter::PageRange || ranges.isEmpty();
    std::vector<int> pages;
    for (int page = info.minPage; page <= info.maxPage; ++page) {
      if (all || ranges.contains(page)) pages.push_back(page);
    }
    return pages;
  }

  // Draws `pages` on `target`, each prepared by the view (page number,
  // landscape) and drawn by it. False when the job cannot start.
  bool Render(QPrinter& target, PrintInfo& info, const std::vector<int>& pages) {
    lastError.clear();
    // The first page must already be landscape when the painter starts.
    target.setPageOrientation(QPageLayout::Landscape);
    target.setDocName(DocumentTitle());
    QPainter painter;
    if (!painter.begin(&target)) {
      lastError = target.outputFormat() == QPrinter::PdfFormat
                      ? QStringLiteral("Unable to write the file %1.").arg(target.outputFileName())
                      : QStringLiteral("Unable to start printing on %1.").arg(target.printerName());
      return false;
    }
    // Copies the printer cannot make itself are drawn again.
    const int copies = target.supportsMultipleCopies() ? 1 : std::max(1, target.copyCount());
    bool first = true;
    for (int copy = 0; copy < copies; ++copy) {
      for (int page : pages) {
        if (!first) target.newPage();
        first = false;
        QtDeviceContext dc(painter, true);
        info.curPage = page;
        view.OnPrepareDC(dc, &info);
        view.OnDraw(dc);
      }
    }
    painter.end();
    return true;
  }

  void ReportError() {
    if (lastError.isEmpty()) return;
    if (errorHandler) return errorHandler(lastError);
    QMessageBox::warning(parent, QGuiApplication::applicationDisplayName(), lastError);
  }

  QWidget* parent;
  CCorvellaView& view;
  QPrinter printer;
  QString lastError;
  std::function<void(const QString&)> errorHandler;
};

Printing::Printing(QWidget* parent, CCorvellaView& view)
    : m_pImpl(std::make_unique<Impl>(parent, view)) {}
Printing::~Printing() = default;

QPrinter& Printing::printer() { return m_pImpl->printer; }
const QString& Printing::lastError() const { return m_pImpl->lastError; }
void Printing::setErrorHandler(std::function<void(const QString&)> handler) {
  m_pImpl->errorHandler = std::move(handler);
}

void Printing::Print(bool direct) {
  Impl& d = *m_pImpl;
  PrintInfo info = d.MakeInfo();
  info.direct = direct;
  std::vector<int> pages;
  info.doPreparePrinting = [&](PrintInfo& i) {
    if (!d.ChooseDestination(direct)) return false;
    if (direct) {
      for (int page = i.minPage; page <= i.maxPage; ++page) pages.push_back(page);
      return true;
    }
    return d.RunPrintDialog(i, pages);
  };
  if (!d.view.OnPreparePrinting(info)) return;
  if (pages.empty()) return;
  if (!d.Render(d.printer, info, pages)) d.ReportError();
}

void Printing::Preview() {
  Impl& d = *m_pImpl;
  PrintInfo info = d.MakeInfo();
  info.preview = true;
  // The preview needs no printer: the printer defaults (PDF when none is
  // installed) are enough to lay out the pages.
  info.doPreparePrinting = [](PrintInfo&) { return true; };
  if (!d.view.OnPreparePrinting(info)) return;
  if (d.printer.outputFormat() == QPrinter::NativeFormat &&
      QPrinterInfo::availablePrinters().isEmpty())
    d.printer.setOutputFormat(QPrinter::PdfFormat);
  d.printer.setPageOrientation(QPageLayout::Landscape);
  // The preview shows every page, whatever range the last printout had.
  d.printer.setPrintRange(QPrinter::AllPages);
  d.printer.setPageRanges(QPageRanges());

  QPrintPreviewDialog dialog(&d.printer, d.parent);
  dialog.setWindowTitle(QStringLiteral("Print Preview"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    // Printing from the preview honours a page range the operator chose there.
    if (!d.Render(*target, info, Impl::ChosenPages(*target, info))) d.ReportError();
  });
  dialog.exec();
}

void Printing::Setup() {
  Impl& d = *m_pImpl;
  if (d.printer.outputFormat() == QPrinter::NativeFormat &&
      QPrinterInfo::availablePrinters().isEmpty())
    d.printer.setOutputFormat(QPrinter::PdfFormat);
  QPageSetupDialog dialog(&d.printer, d.parent);
  dialog.setWindowTitle(QStringLiteral("Print Setup"));
  dialog.exec();
}

}  // namespace corvella
