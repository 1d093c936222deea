// Shell open: a later start of the real program hands its file to the one
// running here, which comes to the front and opens it as named: the file's
// name selects the sport, a file from another folder is loaded into that
// sport's list as unsaved changes, anything else is refused with a message.

#include "platform/shell_open.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QStatusBar>
#include <QtTest>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/qt/single_instance.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

class ShellOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void laterStartHandsItsFileOver() {
    TempDir dir;
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\n");
    dir.Write("BASK.REQ", testing::ValidRequestFile(3));
    dir.Write("FOOT.REQ", testing::ValidRequestFile(2));
    TempDir runtime;  // where the running program's socket lies
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));

    ScriptedUi ui;
    CCorvellaApp app(&ui);
    QVERIFY(app.InitInstance({}));
    app.GetDocument().SetModifiedFlag(true);
    ui.AnswerMessage(IDNO);  // "Save changes to BASK.REQ?"

    // The second start names the file relative to its own folder.
    const auto runSecond = [&](const QStringList& args) {
      QProcess second;
      second.setWorkingDirectory(QString::fromStdString(dir.Path()));
      second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
      second.start(QStringLiteral(CORVELLA_EXE), args);
      // The running program answers from this event loop, so wait in it.
      QDeadlineTimer deadline(60000);
      while (second.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
      if (second.state() != QProcess::NotRunning) second.kill();
      return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    };
    // The program directory's FOOT.REQ: Football, as it is on the disk.
    const auto rows = [&app] { return app.GetView().GetListCtrl().GetItemCount(); };
    QCOMPARE(runSecond({QStringLiteral("FOOT.REQ")}), 0);
    QTRY_COMPARE(app.GetDocument().GetPathName(), dir.File("FOOT.REQ"));
    QCOMPARE(ui.CountMessages("Save changes to BASK.REQ?"), 1);
    QCOMPARE(app.GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    QCOMPARE(rows(), 2);
    QVERIFY(!app.GetDocument().IsModified());

    // A Basketball file from another folder: Basketball's list holds its
    // requests, unsaved, and says where they came from.
    TempDir other;
    other.Write("basketball-final.req", testing::ValidRequestFile(5));
    const QString otherFile = QString::fromStdString(other.File("basketball-final.req"));
    ui.ClearRecord();
    QCOMPARE(runSecond({otherFile}), 0);
    QTRY_COMPARE(rows(), 5);
    QCOMPARE(app.GetDocument().GetSportFile(), std::string("BASK.REQ"));
    QVERIFY(app.GetDocument().IsModified());
    QCOMPARE(app.GetDocument().GetPathName(), dir.File("BASK.REQ"));
    QVERIFY2(app.GetMainWnd()->windowTitle().contains(otherFile),
             qPrintable(app.GetMainWnd()->windowTitle()));
    QVERIFY(app.GetMainWnd()->statusBar()->currentMessage().contains(otherFile));
    QCOMPARE(dir.Read("BASK.REQ"), testing::ValidRequestFile(3));  // not saved yet
    QCOMPARE(ui.CountMessages(), 0);

    // A file whose name names no sport: a message, and nothing changes.
    other.Write("notes.txt", testing::ValidRequestFile(1));
    QCOMPARE(runSecond({QString::fromStdString(other.File("notes.txt"))}), 0);
    QTRY_COMPARE(ui.CountMessages(), 1);
    QVERIFY(ui.MessageTexts().front().find("not the request file of a sport") != std::string::npos);
    QCOMPARE(rows(), 5);
    QVERIFY(app.GetDocument().IsModified());

    // Back to the program's own file: the save prompt comes first.
    ui.ClearRecord();
    ui.AnswerMessage(IDNO);
    QCOMPARE(runSecond({QStringLiteral("FOOT.REQ")}), 0);
    QTRY_COMPARE(app.GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    QCOMPARE(ui.CountMessages("Save changes to BASK.REQ?"), 1);
    QVERIFY(!app.GetDocument().IsModified());

    // Without a file the later start only brings the window up.
    ui.ClearRecord();
    QCOMPARE(runSecond({}), 0);
    QCOMPARE(app.GetDocument().GetPathName(), dir.File("FOOT.REQ"));
    QCOMPARE(ui.CountMessages(), 0);

    qunsetenv("CORVELLA_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
  }

  // Peers that connect and never finish their message, more of them than
  // the running program has descriptors: it keeps listening (the oldest
  // stalled peer gives way), a whole message still gets through, and a
  // stalled peer is dropped rather than kept for ever.
  void stalledPeersNeitherStopTheServerNorStayForever() {
    TempDir program;
    TempDir runtime;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    SingleInstance instance(QString::fromStdString(program.Path()));
    QCOMPARE(instance.claim(QString(), 1000), SingleInstance::Claim::Running);
    QVERIFY2(instance.errorString().isEmpty(), qPrintable(instance.errorString()));
    QStringList opened;
    connect(&instance, &SingleInstance::openRequested, this,
            [&opened](const QString& path) { opened << path; });
    const std::string server = QFile::encodeName(instance.serverName()).toStdString();
    const std::string whole = EncodeShellOpen("/requests/BASK.REQ");

    // Room for a few more descriptors only.
    const auto open = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                    std::filesystem::directory_iterator());
    struct rlimit old {};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &old), 0);
    struct rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(open + 8);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);

    const pid_t child = ::fork();
    if (child == 0) {
      ::setrlimit(RLIMIT_NOFILE, &old);
      const auto connectToServer = [&server] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, server.c_str(), server.size() + 1);
        return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? fd
                                                                                               : -1;
      };
      const auto waitReadable = [](int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 20000) == 1;
      };
      std::vector<int> stalled;
      for (int i = 0; i < 40; ++i) {
        const int fd = connectToServer();
        if (fd < 0 || ::write(fd, whole.data(), 6) != 6) ::_exit(2);
        stalled.push_back(fd);
      }
      const int fd = connectToServer();
      char ack = 0;
      if (fd < 0 || ::write(fd, whole.data(), whole.size()) != static_cast<ssize_t>(whole.size()) ||
          !waitReadable(fd) || ::read(fd, &ack, 1) != 1 || ack != kShellOpenAck)
        ::_exit(3);
      // The last stalled peer is dropped in time too (its read ends).
      char byte = 0;
      if (!waitReadable(stalled.back()) || ::read(stalled.back(), &byte, 1) != 0) ::_exit(4);
      ::_exit(0);
    }
    QVERIFY(child > 0);
    int status = 0;
    QDeadlineTimer deadline(60000);
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && !deadline.hasExpired())
      QTest::qWait(20);
    ::setrlimit(RLIMIT_NOFILE, &old);
    qunsetenv("XDG_RUNTIME_DIR");
    if (ended != child) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      QFAIL("the peers were not served in time");
    }
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(opened, QStringList{QStringLiteral("/requests/BASK.REQ")});
  }
};

QTEST_MAIN(ShellOpenTest)
#include "shell_open_test.moc"
