#include "shell/printing.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/unique_fd.h"
#include "listview/corvella_view.h"
#include "listview/view_print.h"
#include "platform/atomic_file.h"
#include "platform/qt/qt_dc.h"
#include "platform/qt/windows1252.h"
#include "requests/corvella_doc.h"

namespace corvella {

using base::UniqueFd;
namespace {

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

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

// Checks that the PDF file `temp` is complete (its last line is the end
// marker, written last), then commits it under the name `final` with the
// platform's crash-safe commit; with `replace` false an existing `final`
// stays and the commit fails. "" when done, else why not; `temp` is left for
// the caller to remove.
QString CommitPdf(const QString& temp, const QString& final, bool replace) {
  const QByteArray tempPath = QFile::encodeName(temp);
  {
    const UniqueFd fd(::open(tempPath.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd) return SystemError(errno);
    char tail[16] = {};
    const off_t size = ::lseek(fd.get(), 0, SEEK_END);
    static constexpr char kEnd[] = "%%EOF\n";  // the last line Qt writes
    constexpr ssize_t kEndSize = sizeof kEnd - 1;
    const ssize_t got = size >= kEndSize ? ::pread(fd.get(), tail, kEndSize, size - kEndSize) : 0;
    if (got != kEndSize || std::memcmp(tail, kEnd, kEndSize) != 0)
      return QStringLiteral("the file could not be written completely (is the disk full?)");
  }
  const FileWriteResult committed =
      CommitTemporaryFile(tempPath.toStdString(), QFile::encodeName(final).toStdString(), replace);
  if (committed) return {};
  if (committed.Error() == EEXIST) return QStringLiteral("it exists already");
  return SystemError(committed.Error());
}

}  // namespace

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
  // landscape) and drawn by it. False with lastError when the job could not
  // start, the print system did not take it, or its file was not written
  // completely. A PDF file is written beside its name first and gets the
  // name only once it is complete, so a failure leaves no partial file.
  bool Render(QPrinter& target, PrintInfo& info, const std::vector<int>& pages) {
    lastError.clear();
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
      // Made here, so the name is ours alone; the printer writes it over.
      const QFileInfo final(finalName);
      QByteArray pattern = QFile::encodeName(
          final.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(final.fileName())));
      const UniqueFd fd(::mkstemp(pattern.data()));
      if (!fd) {
        lastError =
            QStringLiteral("Unable to write the file %1: %2.").arg(finalName, SystemError(errno));
        return false;
      }
      // The mode a new file of the user gets, not the temporary's 0600.
      const mode_t mask = ::umask(0);
      ::umask(mask);
      ::fchmod(fd.get(), 0666 & ~mask);
      tempName = QFile::decodeName(pattern);
      target.setOutputFileName(tempName);
    }
    const auto fail = [&](const QString& text) {
      if (toFile) {
        target.setOutputFileName(finalName);
        QFile::remove(tempName);
      }
      lastError = text;
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
      for (int page : pages) {
        if (!first) target.newPage();
        first = false;
        QtDeviceContext dc(painter, true);
        info.curPage = page;
        view.OnPrepareDC(dc, &info);
        view.OnDraw(dc);
      }
    }
    // Ending the painter hands the job to the print system (the last call
    // to it, so its status tells whether the job was taken), or finishes
    // the file.
    const bool ended = painter.end();
    const ipp_status_t status = cupsLastError();
    if (toFile) {
      if (!ended) return fail(QStringLiteral("Unable to write the file %1.").arg(finalName));
      const QString fault = CommitPdf(tempName, finalName, replaceFiles);
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
    if (lastError.isEmpty()) return;
    if (errorHandler) return errorHandler(lastError);
    QMessageBox::warning(parent, QGuiApplication::applicationDisplayName(), lastError);
  }

  QWidget* parent;
  CCorvellaView& view;
  QPrinter printer;
  QString lastError;
  std::function<void(const QString&)> errorHandler;
  bool replaceFiles = true;
};

Printing::Printing(QWidget* parent, CCorvellaView& view)
    : m_pImpl(std::make_unique<Impl>(parent, view)) {}
Printing::~Printing() = default;

QPrinter& Printing::printer() { return m_pImpl->printer; }
const QString& Printing::lastError() const { return m_pImpl->lastError; }
void Printing::setErrorHandler(std::function<void(const QString&)> handler) {
  m_pImpl->errorHandler = std::move(handler);
}
void Printing::setReplaceFiles(bool replace) { m_pImpl->replaceFiles = replace; }

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
