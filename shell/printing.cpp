#include "shell/printing.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <algorithm>

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
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) return true;
    if (printer.outputFormat() == QPrinter::NativeFormat && !QPrinterInfo::availablePrinters().isEmpty())
      return true;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (!direct) {
      printer.setOutputFileName(DefaultPdfName());
      return true;
    }
    const QString name = QFileDialog::getSaveFileName(parent, QStringLiteral("Print to File"), DefaultPdfName(),
                                                      QStringLiteral("PDF files (*.pdf)"));
    if (name.isEmpty()) return false;
    printer.setOutputFileName(name);
    return true;
  }

  // The print dialog with the page range; the chosen pages come back in
  // from/to. False when the operator cancels.
  bool RunPrintDialog(PrintInfo& info, int& from, int& to) {
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(info.minPage, info.maxPage);
    if (dialog.exec() != QDialog::Accepted) return false;
    from = info.minPage;
    to = info.maxPage;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
      from = std::clamp(printer.fromPage(), info.minPage, info.maxPage);
      to = std::clamp(printer.toPage() > 0 ? printer.toPage() : info.maxPage, from, info.maxPage);
    }
    return true;
  }

  // Draws pages from..to on `target`, each prepared by the view (page
  // number, landscape) and drawn by it. False when the job cannot start.
  bool Render(QPrinter& target, PrintInfo& info, int from, int to) {
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
      for (int page = from; page <= to; ++page) {
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
    QMessageBox::warning(parent, QGuiApplication::applicationDisplayName(), lastError);
  }

  QWidget* parent;
  CCorvellaView& view;
  QPrinter printer;
  QString lastError;
};

Printing::Printing(QWidget* parent, CCorvellaView& view) : m_pImpl(std::make_unique<Impl>(parent, view)) {}
Printing::~Printing() = default;

QPrinter& Printing::printer() { return m_pImpl->printer; }
const QString& Printing::lastError() const { return m_pImpl->lastError; }

void Printing::Print(bool direct) {
  Impl& d = *m_pImpl;
  PrintInfo info = d.MakeInfo();
  info.direct = direct;
  int from = 1;
  int to = 1;
  info.doPreparePrinting = [&](PrintInfo& i) {
    if (!d.ChooseDestination(direct)) return false;
    if (direct) {
      from = i.minPage;
      to = i.maxPage;
      return true;
    }
    return d.RunPrintDialog(i, from, to);
  };
  if (!d.view.OnPreparePrinting(info)) return;
  if (!d.Render(d.printer, info, from, to)) d.ReportError();
}

void Printing::Preview() {
  Impl& d = *m_pImpl;
  PrintInfo info = d.MakeInfo();
  info.preview = true;
  // The preview needs no printer: the printer defaults (PDF when none is
  // installed) are enough to lay out the pages.
  info.doPreparePrinting = [](PrintInfo&) { return true; };
  if (!d.view.OnPreparePrinting(info)) return;
  if (d.printer.outputFormat() == QPrinter::NativeFormat && QPrinterInfo::availablePrinters().isEmpty())
    d.printer.setOutputFormat(QPrinter::PdfFormat);
  d.printer.setPageOrientation(QPageLayout::Landscape);

  QPrintPreviewDialog dialog(&d.printer, d.parent);
  dialog.setWindowTitle(QStringLiteral("Print Preview"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    // Printing from the preview honours a page range the operator chose there.
    int from = info.minPage;
    int to = info.maxPage;
    if (target->printRange() == QPrinter::PageRange && target->fromPage() > 0) {
      from = std::clamp(target->fromPage(), info.minPage, info.maxPage);
      to = std::clamp(target->toPage() > 0 ? target->toPage() : info.maxPage, from, info.maxPage);
    }
    if (!d.Render(*target, info, from, to)) d.ReportError();
  });
  dialog.exec();
}

void Printing::Setup() {
  Impl& d = *m_pImpl;
  if (d.printer.outputFormat() == QPrinter::NativeFormat && QPrinterInfo::availablePrinters().isEmpty())
    d.printer.setOutputFormat(QPrinter::PdfFormat);
  QPageSetupDialog dialog(&d.printer, d.parent);
  dialog.setWindowTitle(QStringLiteral("Print Setup"));
  dialog.exec();
}

}  // namespace corvella
