#include "shell/printing.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <cerrno>
#include <cstring>

#include "base/unique_fd.h"
#include "listview/corvella_view.h"
#include "platform/atomic_file.h"
#include "platform/qt/qt_dc.h"
#include "platform/qt/windows1252.h"
#include "requests/corvella_doc.h"
#include "shell/print_module.h"

namespace corvella {
namespace {

using base::UniqueFd;

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Why the PDF file `path` is not complete: it cannot be read, or it does not
// end with the marker Qt writes last. "" when it is.
QString IncompletePdf(const QByteArray& path) {
  const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
  if (!fd) return SystemError(errno);
  static constexpr char kEnd[] = "%%EOF\n";
  constexpr ssize_t kEndSize = sizeof kEnd - 1;
  char tail[kEndSize] = {};
  const off_t size = ::lseek(fd.get(), 0, SEEK_END);
  if (size < kEndSize || ::pread(fd.get(), tail, kEndSize, size - kEndSize) != kEndSize ||
      std::memcmp(tail, kEnd, kEndSize) != 0)
    return QStringLiteral("the file could not be written completely (is the disk full?)");
  return {};
}

}  // namespace

// The view's pages, as the module asks for them.
class Printing::Pages final : public PrintSource {
 public:
  explicit Pages(CCorvellaView& view) : m_view(view) {}

  // ---- implements PrintSource -----------------------------------------------
  bool PreparePrinting(PrintInfo& info) override { return m_view.OnPreparePrinting(info); }
  void DrawPage(QPainter& painter, PrintInfo& info) override {
    QtDeviceContext dc(painter, true);
    m_view.OnPrepareDC(dc, &info);
    m_view.OnDraw(dc);
  }
  QString DocumentTitle() const override {
    return FromWindows1252(m_view.GetDocument()->GetTitle());
  }
  QString CreateTemporaryFor(const QString& final, QString* temp) override {
    const QFileInfo file(final);
    QByteArray pattern = QFile::encodeName(
        file.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(file.fileName())));
    const UniqueFd fd(::mkstemp(pattern.data()));
    if (!fd) return SystemError(errno);
    // The mode a new file of the user gets, not the temporary's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
    *temp = QFile::decodeName(pattern);
    return {};
  }
  QString CommitPdf(const QString& temp, const QString& final, bool replace) override {
    const QByteArray tempPath = QFile::encodeName(temp);
    if (const QString fault = IncompletePdf(tempPath); !fault.isEmpty()) return fault;
    const FileWriteResult committed = CommitTemporaryFile(
        tempPath.toStdString(), QFile::encodeName(final).toStdString(), replace);
    if (committed) return {};
    if (committed.Error() == EEXIST) return QStringLiteral("it exists already");
    return SystemError(committed.Error());
  }

 private:
  CCorvellaView& m_view;
};

Printing::Printing(QWidget* parent, CCorvellaView& view, QString modulePath)
    : m_parent(parent),
      m_modulePath(modulePath.isEmpty() ? DefaultModulePath() : std::move(modulePath)),
      m_pages(std::make_unique<Pages>(view)) {}

// The jobs go before the pages they draw. The module stays loaded: Qt keeps
// its print plugin and the module's classes registered for the process.
Printing::~Printing() { m_jobs.reset(); }

QString Printing::DefaultModulePath() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  const QString installed =
      programFolder + QString::fromUtf8("/" CORVELLA_PRINT_MODULE_FROM_BINDIR "/corvella-print.so");
  if (QFileInfo::exists(installed)) return installed;
  return programFolder + QStringLiteral("/corvella-print.so");
}

PrintJobs* Printing::Jobs() {
  if (m_jobs || !m_loadError.isEmpty()) return m_jobs.get();
  const QByteArray path = QFile::encodeName(m_modulePath);
  void* module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    m_loadError =
        QStringLiteral("Printing is not available: %1.").arg(QString::fromLocal8Bit(::dlerror()));
    return nullptr;
  }
  const auto create = reinterpret_cast<PrintModuleEntry>(::dlsym(module, kPrintModuleEntry));
  PrintJobs* jobs = create ? create(kPrintModuleVersion, m_parent, m_pages.get()) : nullptr;
  if (jobs == nullptr) {
    m_loadError =
        QStringLiteral("Printing is not available: %1 is not this program's printing module.")
            .arg(m_modulePath);
    ::dlclose(module);
    return nullptr;
  }
  m_jobs.reset(jobs);
  m_jobs->setErrorHandler(m_errorHandler);
  m_jobs->setReplaceFiles(m_replaceFiles);
  return jobs;
}

void Printing::ReportLoadError() {
  if (m_errorHandler) return m_errorHandler(m_loadError);
  QMessageBox::warning(m_parent, QGuiApplication::applicationDisplayName(), m_loadError);
}

void Printing::Print(bool direct) {
  if (PrintJobs* jobs = Jobs()) return jobs->Print(direct);
  ReportLoadError();
}

void Printing::Preview() {
  if (PrintJobs* jobs = Jobs()) return jobs->Preview();
  ReportLoadError();
}

void Printing::Setup() {
  if (PrintJobs* jobs = Jobs()) return jobs->Setup();
  ReportLoadError();
}

QString Printing::AimForCommandLine(const QString& printerName, const QString& file, bool force,
                                    QString* pdf) {
  if (PrintJobs* jobs = Jobs()) return jobs->AimForCommandLine(printerName, file, force, pdf);
  return m_loadError;
}

QString Printing::PdfDestinationNote(const QString& pdf) {
  if (PrintJobs* jobs = Jobs()) return jobs->PdfDestinationNote(pdf);
  return {};
}

QPrinter* Printing::printer() {
  PrintJobs* jobs = Jobs();
  return jobs ? &jobs->printer() : nullptr;
}

QString Printing::lastError() const { return m_jobs ? m_jobs->lastError() : m_loadError; }

void Printing::setErrorHandler(std::function<void(const QString&)> handler) {
  m_errorHandler = std::move(handler);
  if (m_jobs) m_jobs->setErrorHandler(m_errorHandler);
}

void Printing::setReplaceFiles(bool replace) {
  m_replaceFiles = replace;
  if (m_jobs) m_jobs->setReplaceFiles(replace);
}

}  // namespace corvella
