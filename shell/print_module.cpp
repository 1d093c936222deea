#include "shell/print_module.h"

#include <cups/cups.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <algorithm>
#include <type_traits>

#include "listview/view_print.h"

namespace corvella {
namespace {

// Drops Qt's own "QPainter::begin(): Returned false" while a painter starts:
// the caller reports why the job could not start, in its own words.
class QuietPainterStart {
 public:
  QuietPainterStart() : m_previous(qInstallMessageHandler(&Filter)) { s_previous = m_previous; }
  ~QuietPainterStart() { qInstallMessageHandler(m_previous); }
  QuietPainterStart(const QuietPainterStart&) = delete;
  QuietPainterStart& operator=(const QuietPainterStart&) = delete;

 private:
  static void Filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QPainter::begin"))) return;
    if (s_previous != nullptr) return s_previous(type, context, text);
    qInstallMessageHandler(nullptr);
    qt_message_output(type, context, text);
    qInstallMessageHandler(&Filter);
  }
  static inline QtMessageHandler s_previous = nullptr;
  QtMessageHandler m_previous;
};

// The pages of a job: those of the view's minPage..maxPage that `ranges`
// holds; all of them when it holds none.
struct PageChoice {
  QPageRanges ranges;
  bool Contains(int page) const { return ranges.isEmpty() || ranges.contains(page); }
  bool AnyOf(const PrintInfo& info) const {
    for (int page = info.minPage; page <= info.maxPage; ++page) {
      if (Contains(page)) return true;
    }
    return false;
  }
};

}  // namespace

class QtPrintJobs final : public PrintJobs {
 public:
  QtPrintJobs(QWidget* parent, PrintSource& source)
      : m_parent(parent), m_source(source), m_printer(QPrinter::HighResolution) {}

  // ---- implements PrintJobs -------------------------------------------------
  void Print(bool direct) override;
  void Preview() override;
  void Setup() override;
  QPrinter& printer() override { return m_printer; }
  QString lastError() const override { return m_lastError; }
  void setErrorHandler(std::function<void(const QString&)> handler) override {
    m_errorHandler = std::move(handler);
  }
  void setReplaceFiles(bool replace) override { m_replaceFiles = replace; }
  QString AimForCommandLine(const QString& printerName, const QString& file, bool force,
                            QString* pdf) override;
  QString PdfDestinationNote(const QString& pdf) const override;

 private:
  // The job's side of the view's preparation: where the pages go and,
  // unless it prints directly, the print dialog, whose chosen pages it keeps;
  // a preview needs neither. Landscape is set on the application's printer.
  class Job final : public PrintJob {
   public:
    explicit Job(QtPrintJobs& jobs) : m_jobs(jobs) {}

    bool DoPreparePrinting(PrintInfo& info) override {
      if (info.preview) return true;
      if (!m_jobs.ChooseDestination(info.direct)) return false;
      return info.direct || m_jobs.RunPrintDialog(info, pages);
    }
    void SetLandscape() override { m_jobs.m_printer.setPageOrientation(QPageLayout::Landscape); }

    PageChoice pages;  // every page unless the dialog chooses others

   private:
    QtPrintJobs& m_jobs;
  };

  QString DocumentTitle() const { return m_source.DocumentTitle(); }

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
    if (m_printer.outputFormat() == QPrinter::PdfFormat && !m_printer.outputFileName().isEmpty())
      return true;
    if (m_printer.outputFormat() == QPrinter::NativeFormat &&
        !QPrinterInfo::availablePrinters().isEmpty())
      return true;
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    if (!direct) {
      m_printer.setOutputFileName(DefaultPdfName());
      return true;
    }
    const QString name =
        QFileDialog::getSaveFileName(m_parent, QStringLiteral("Print to File"), DefaultPdfName(),
                                     QStringLiteral("PDF files (*.pdf)"));
    if (name.isEmpty()) return false;
    m_printer.setOutputFileName(name);
    return true;
  }

  // The print dialog with the page range; the chosen pages come back in
  // `pages`. False when the operator cancels.
  bool RunPrintDialog(PrintInfo& info, PageChoice& pages) {
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setPageRanges(QPageRanges());
    QPrintDialog dialog(&m_printer, m_parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(info.minPage, info.maxPage);
    if (dialog.exec() != QDialog::Accepted) return false;
    pages = ChosenPages(m_printer);
    return true;
  }

  // The pages the printer's page range selects (all of them when no range
  // was chosen).
  static PageChoice ChosenPages(const QPrinter& target) {
    if (target.printRange() != QPrinter::PageRange) return {};
    return {target.pageRanges()};
  }

  // Draws `pages` on `target` in order, each prepared by the view (page number,
  // landscape) and drawn by it. False with m_lastError when the job could not
  // start, the print system did not take it, or its file was not written
  // completely. A PDF file is written beside its name first and gets the
  // name only once it is complete, so a failure leaves no partial file.
  bool Render(QPrinter& target, PrintInfo& info, const PageChoice& pages) {
    m_lastError.clear();
    // The first page must already be landscape when the painter starts.
    target.setPageOrientation(QPageLayout::Landscape);
    target.setDocName(DocumentTitle());
    // A printer that writes a file (not the preview's pages).
    const bool toFile = target.outputFormat() == QPrinter::PdfFormat &&
                        target.paintEngine() != nullptr &&
                        target.paintEngine()->type() == QPaintEngine::Pdf;
    const QString finalName = target.outputFileName();
    QString tempName;
    if (toFile) {
      // Made by the program beside the file, so the name is ours alone; the
      // printer writes it over.
      if (const QString fault = m_source.CreateTemporaryFor(finalName, &tempName);
          !fault.isEmpty()) {
        m_lastError = QStringLiteral("Unable to write the file %1: %2.").arg(finalName, fault);
        return false;
      }
      target.setOutputFileName(tempName);
    }
    const auto fail = [&](const QString& text) {
      if (toFile) {
        target.setOutputFileName(finalName);
        QFile::remove(tempName);
      }
      m_lastError = text;
      return false;
    };
    QPainter painter;
    bool started;
    {
      QuietPainterStart quiet;
      started = painter.begin(&target);
    }
    if (!started) {
      return fail(
          toFile ? QStringLiteral("Unable to write the file %1.").arg(finalName)
                 : QStringLiteral("Unable to start printing on %1.").arg(target.printerName()));
    }
    // Copies the printer cannot make itself are drawn again.
    const int copies = target.supportsMultipleCopies() ? 1 : std::max(1, target.copyCount());
    bool first = true;
    for (int copy = 0; copy < copies; ++copy) {
      for (int page = info.minPage; page <= info.maxPage; ++page) {
        if (!pages.Contains(page)) continue;
        if (!first) target.newPage();
        first = false;
        info.curPage = page;
        m_source.DrawPage(painter, info);
      }
    }
    // Ending the painter hands the job to the print system (the last call
    // to it, so its status tells whether the job was taken), or finishes
    // the file.
    const bool ended = painter.end();
    const ipp_status_t status = cupsLastError();
    if (toFile) {
      if (!ended) return fail(QStringLiteral("Unable to write the file %1.").arg(finalName));
      const QString fault = m_source.CommitPdf(tempName, finalName, m_replaceFiles);
      if (!fault.isEmpty())
        return fail(QStringLiteral("Unable to write the file %1: %2.").arg(finalName, fault));
      target.setOutputFileName(finalName);
      return true;
    }
    if (target.outputFormat() == QPrinter::NativeFormat &&
        (!ended || status > IPP_STATUS_OK_EVENTS_COMPLETE ||
         target.printerState() == QPrinter::Error || target.printerState() == QPrinter::Aborted)) {
      QString reason = status > IPP_STATUS_OK_EVENTS_COMPLETE
                           ? QString::fromUtf8(cupsLastErrorString())
                           : QStringLiteral("the print system gave no reason");
      if (reason.endsWith(u'.')) reason.chop(1);
      return fail(QStringLiteral("The printer %1 did not accept the job: %2.")
                      .arg(target.printerName(), reason));
    }
    return true;
  }

  void ReportError() {
    if (m_lastError.isEmpty()) return;
    if (m_errorHandler) return m_errorHandler(m_lastError);
    QMessageBox::warning(m_parent, QGuiApplication::applicationDisplayName(), m_lastError);
  }

  QWidget* m_parent;
  PrintSource& m_source;
  QPrinter m_printer;
  QString m_lastError;
  std::function<void(const QString&)> m_errorHandler;
  bool m_replaceFiles = true;
};

void QtPrintJobs::Print(bool direct) {
  Job job(*this);
  PrintInfo info;
  info.job = &job;
  info.direct = direct;
  if (!m_source.PreparePrinting(info)) return;
  if (!job.pages.AnyOf(info)) return;
  if (!Render(m_printer, info, job.pages)) ReportError();
}

void QtPrintJobs::Preview() {
  // The preview needs no printer: the printer defaults (PDF when none is
  // installed) are enough to lay out the pages.
  Job job(*this);
  PrintInfo info;
  info.job = &job;
  info.preview = true;
  if (!m_source.PreparePrinting(info)) return;
  if (m_printer.outputFormat() == QPrinter::NativeFormat &&
      QPrinterInfo::availablePrinters().isEmpty())
    m_printer.setOutputFormat(QPrinter::PdfFormat);
  m_printer.setPageOrientation(QPageLayout::Landscape);
  // The preview shows every page, whatever range the last printout had.
  m_printer.setPrintRange(QPrinter::AllPages);
  m_printer.setPageRanges(QPageRanges());

  QPrintPreviewDialog dialog(&m_printer, m_parent);
  dialog.setWindowTitle(QStringLiteral("Print Preview"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    // Printing from the preview honours a page range the operator chose there.
    if (!Render(*target, info, ChosenPages(*target))) ReportError();
  });
  dialog.exec();
}

void QtPrintJobs::Setup() {
  if (m_printer.outputFormat() == QPrinter::NativeFormat &&
      QPrinterInfo::availablePrinters().isEmpty())
    m_printer.setOutputFormat(QPrinter::PdfFormat);
  QPageSetupDialog dialog(&m_printer, m_parent);
  dialog.setWindowTitle(QStringLiteral("Print Setup"));
  dialog.exec();
}

QString QtPrintJobs::AimForCommandLine(const QString& printerName, const QString& file, bool force,
                                       QString* pdf) {
  if (!printerName.isNull()) {
    if (QPrinterInfo::printerInfo(printerName).isNull())
      return QStringLiteral("There is no printer named %1.").arg(printerName);
    m_printer.setOutputFormat(QPrinter::NativeFormat);
    m_printer.setPrinterName(printerName);
    return {};
  }
  if (const QPrinterInfo fallback = QPrinterInfo::defaultPrinter(); !fallback.isNull()) {
    m_printer.setOutputFormat(QPrinter::NativeFormat);
    m_printer.setPrinterName(fallback.printerName());
    return {};
  }
  // No printer: the pages go to a PDF file beside the file, named after
  // it, never over another file unless asked to.
  const QFileInfo source(file);
  *pdf = source.absoluteDir().filePath(source.completeBaseName() + QStringLiteral(".pdf"));
  if (!force && QFileInfo::exists(*pdf))
    return QStringLiteral("%1 exists already; --force replaces it.").arg(*pdf);
  m_replaceFiles = force;
  m_printer.setOutputFormat(QPrinter::PdfFormat);
  m_printer.setOutputFileName(*pdf);
  return {};
}

QString QtPrintJobs::PdfDestinationNote(const QString& pdf) const {
  const QStringList printers = QPrinterInfo::availablePrinterNames();
  if (printers.isEmpty())
    return QStringLiteral("No printer is installed: the pages were written to %1").arg(pdf);
  return QStringLiteral("None of the printers (%1) is the default: the pages were written to %2")
      .arg(printers.join(QStringLiteral(", ")), pdf);
}

}  // namespace corvella

extern "C" __attribute__((visibility("default"))) corvella::PrintJobs* corvella_print_module_create(
    int version, QWidget* parent, corvella::PrintSource* source) {
  if (version != corvella::kPrintModuleVersion || source == nullptr) return nullptr;
  return new corvella::QtPrintJobs(parent, *source);
}
static_assert(std::is_same_v<decltype(&corvella_print_module_create), corvella::PrintModuleEntry>,
              "the module's entry has the type the program calls it with");
