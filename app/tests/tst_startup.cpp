// Start-up, exit, logs and the debug switch of the main window.
#include <sys/stat.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>

#include "browserwidgets.h"
#include "frmgenmsg.h"
#include "harness.h"
#include "refreshtimer.h"
#include "startup.h"

using namespace varnook;
using namespace varnook::test;

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void normalStartShowsTheWindow() {
        Harness h;
        h.store->values = {{"AutoUpdateServerInterval", "45"}, {"AutoUpdateServerStatus", " 1"}};
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Varnook v1.0.2"));
        QCOMPARE(w.lstviewServers->topLevelItemCount(), 2);
        QCOMPARE(w.lstDrives->count(), 2);
        QCOMPARE(w.lstDrives->item(0)->text(), QStringLiteral("F:   [\\\\FS1\\SYS]"));
        QCOMPARE(w.lstDrives->currentRow(), 0);
        QCOMPARE(w.Dir1->path(), QStringLiteral("F:\\"));
        QCOMPARE(w.lstFiles->count(), 2);
        QCOMPARE(w.lstFiles->item(0)->text(), QStringLiteral("Autoexec.ncf"));
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("F:\\Autoexec.ncf"));
        QVERIFY(!w.Label1->isVisible());
        QCOMPARE(w.state().DebugMode, uint8_t{0});
        QVERIFY(h.messages.shown.empty());
        // Timers follow the preferences and run once the start-up is over.
        QCOMPARE(w.Timer1->interval(), 45000);
        QVERIFY(w.Timer1->isActive());
        QVERIFY(!w.TimerDrives->isActive());
        QCOMPARE(h.net->openHandles, 0);
    }

    void clientNotUsableEndsTheStartUp() {
        Harness h;
        h.net->initResult = nw::NWE_REQUESTER_FAILURE;
        QVERIFY(!h.start());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.messages.shown.size(), size_t{1});
        QCOMPARE(h.messages.shown[0].text, QStringLiteral("NWCallsInit failed."));
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Error !"));
        // With the client's reason, on a second line.
        Harness told;
        told.net->initResult = nw::NWE_REQUESTER_FAILURE;
        told.initFailure = "/srv/net.json: servers[0].name: expected a server name";
        QVERIFY(!told.start());
        QCOMPARE(
            told.messages.texts(),
            QStringList{QStringLiteral("NWCallsInit failed.\r\n/srv/net.json: servers[0].name: "
                                       "expected a server name")});
    }

    void noNetWareDriveEndsTheStartUp() {
        Harness h;
        h.net->drives.clear();
        QVERIFY(!h.start());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.messages.texts(),
                 QStringList{
                     QStringLiteral("Can't find any network drives, please login and try again.")});
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Varnook error!"));
        QVERIFY(!h.window->lstFiles->isEnabled());
        QVERIFY(!h.window->cmd_scan->isEnabled());
    }

    void programInsideAMappedFolderCountsAsANetWareDrive() {
        Harness h;
        h.programFolder = h.root + QStringLiteral("/vol/FS1/SYS/PUBLIC");
        QVERIFY(!h.start());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.messages.shown.back().kind, ShownMessage::Kind::Modal);
        QCOMPARE(h.messages.shown.back().title, QStringLiteral("Varnook Information"));
        QCOMPARE(h.messages.shown.back().text,
                 QStringLiteral("Please run Varnook on a local drive."));
        QVERIFY(!h.window->Timer1->isActive());
    }

    void storeThatCannotBeCreatedIsAStartUpError() {
        Harness h;
        h.storeAvailable = false;
        h.commandLine = "/debug";
        QVERIFY(h.start());
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.messages.shown[0].text,
                 QStringLiteral("Error 429 ActiveX component can't create object"));
        QCOMPARE(h.messages.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Varnook"));
        const QByteArray log = ReadAll(h.programFolder + QStringLiteral("/Varnook.log"));
        QVERIFY(log.endsWith(
            "\"Varnook startup error:  429 - ActiveX component can't create object\"\r\n"));
    }

    void anyOtherFailureIsAStartUpErrorToo() {
        Harness h;
        AppEnvironment env = h.environment();
        env.createRegStore = []() -> std::unique_ptr<StringStore> {
            throw std::runtime_error("disk on fire");
        };
        frmVarnook w(env);
        QVERIFY(w.Form_Load());
        QCOMPARE(h.messages.texts(),
                 QStringList{QStringLiteral("Error 51 Internal error: disk on fire")});
    }

    // Installed, the program folder is /usr/bin: both logs go to the log folder instead, and the
    // preferences show that path.
    void logsGoToTheLogFolderOfTheEnvironment() {
        Harness h;
        h.commandLine = "/debug";
        AppEnvironment env = h.environment();
        const QString logFolder = h.root + QStringLiteral("/state/varnook");
        QDir().mkpath(logFolder);
        env.logFolder = logFolder.toStdString();
        frmVarnook w(env);
        QVERIFY(w.Form_Load());
        QVERIFY(ReadAll(logFolder + QStringLiteral("/Varnook.log")).size() > 0);
        QVERIFY(!QFile::exists(h.programFolder + QStringLiteral("/Varnook.log")));
        QCOMPARE(QString::fromStdString(w.state().Prefs.OutputLogFileName),
                 logFolder + QStringLiteral("/varnook output.log"));
    }

    void programEnvironmentOutsideABuildTreeLogsToTheStateFolder() {
        Harness h;
        qputenv("XDG_STATE_HOME", (h.root + QStringLiteral("/xdg-state")).toUtf8());
        const AppEnvironment env =
            ProgramEnvironment({QStringLiteral("varnook")}, h.programFolder, h.messages);
        qunsetenv("XDG_STATE_HOME");
        QCOMPARE(QString::fromStdString(env.logFolder),
                 h.root + QStringLiteral("/xdg-state/varnook"));
        QVERIFY(QFileInfo(h.root + QStringLiteral("/xdg-state/varnook")).isDir());
    }

    void onlyTheExactDebugSwitchTurnsDebugModeOn() {
        for (const char* line : {"/DEBUG", "/debug ", " /debug", "/debug x", "debug"}) {
            Harness h;
            h.commandLine = line;
            QVERIFY(h.start());
            QCOMPARE(h.window->state().DebugMode, uint8_t{0});
            QVERIFY(!QFile::exists(h.programFolder + QStringLiteral("/Varnook.log")));
        }
    }

    void debugModeStartsAFreshActivityLogAndLogsTheExit() {
        Harness h;
        h.commandLine = "/debug";
        const QString logPath = h.programFolder + QStringLiteral("/Varnook.log");
        {
            QFile old(logPath);
            old.open(QIODevice::WriteOnly);
            old.write("old run\r\n");
        }
        QVERIFY(h.start());
        QVERIFY(h.window->Label1->isVisible());
        h.window->submnuAllusers_Click();
        QTest::mouseClick(h.window->cmd_Exit, Qt::LeftButton);
        QVERIFY(!h.window->isVisible());
        const QList<QByteArray> records = ReadAll(logPath).split('\n');
        QVERIFY(!ReadAll(logPath).contains("old run"));
        // The first record carries the whole time stamp, then two line ends.
        QVERIFY(QRegularExpression(QStringLiteral(R"(^"\d\d/\d\d/\d{4}, \d\d:\d\d:\d\d\r$)"))
                    .match(QString::fromLatin1(records[0]))
                    .hasMatch());
        QVERIFY(ReadAll(logPath).contains("\"Server: FS1  Connref:  1\"\r\n"));
        // Every open window's caption, the main window's last.
        QVERIFY(ReadAll(logPath).endsWith(
            "\"Exiting Varnook.\"\r\n\"Varnook - All Logged In Users\"\r\n"
            "\"Varnook v1.0.2\"\r\n\"Last command\"\r\n"));
    }

    void closeBoxRunsTheOrderlyExit() {
        Harness h;
        h.commandLine = "/debug";
        QVERIFY(h.start());
        h.window->close();
        QVERIFY(!h.window->isVisible());
        QVERIFY(!h.window->Timer1->isActive());
        QVERIFY(
            ReadAll(h.programFolder + QStringLiteral("/Varnook.log"))
                .endsWith("\"Exiting Varnook.\"\r\n\"Varnook v1.0.2\"\r\n\"Last command\"\r\n"));
    }

    void outputLogInAMissingFolderReportsEveryRecordAndGoesOn() {
        Harness h;
        h.store->values = {
            {"LogInfoToFile", "1"},
            {"OutputLogFileName", (h.root + QStringLiteral("/no/such/out.log")).toStdString()}};
        QVERIFY(h.start());
        QVERIFY(h.window->isVisible());
        // Launch record, "Connected servers...", two servers, the summary.
        QCOMPARE(h.messages.shown.size(), size_t{5});
        for (const ShownMessage& m : h.messages.shown) {
            QCOMPARE(m.text, QStringLiteral("Error: 76 Path not found"));
            QCOMPARE(m.title, QStringLiteral("Varnook"));
        }
    }

    void aNamedPipeAsTheOutputLogNeverHoldsTheStartUp() {
        Harness h;
        const QString pipe = h.root + QStringLiteral("/out.log");
        QVERIFY(::mkfifo(pipe.toLocal8Bit().constData(), 0600) == 0);
        h.store->values = {{"LogInfoToFile", "1"}, {"OutputLogFileName", pipe.toStdString()}};
        QVERIFY(h.start());
        QVERIFY(h.window->isVisible());
        QVERIFY(!h.messages.shown.empty());
        QCOMPARE(h.messages.shown[0].text,
                 QStringLiteral("Error: 75 Path/File access error (not a regular file)"));
    }

    void timersStayOffWhileTheStartUpShowsMessages() {
        Harness h;
        h.store->values = {
            {"AutoUpdateServerStatus", "1"},
            {"AutoUpdateServerInterval", "1"},
            {"LogInfoToFile", "1"},
            {"OutputLogFileName", (h.root + QStringLiteral("/no/out.log")).toStdString()}};
        bool activeDuringMessage = false;
        h.messages.onShown = [&h, &activeDuringMessage](const ShownMessage&) {
            activeDuringMessage = activeDuringMessage || h.window->Timer1->isActive();
        };
        QVERIFY(h.start());
        QVERIFY(!h.messages.shown.empty());
        QVERIFY(!activeDuringMessage);
        QVERIFY(h.window->Timer1->isActive());
    }

    void aTickIsSkippedWhileTheSameHandlerRuns() {
        int ticks = 0;
        RefreshTimer* self = nullptr;
        RefreshTimer timer(QStringLiteral("t"), [&ticks, &self] {
            ++ticks;
            self->fire();  // as when a message box of the handler lets the timer fire again
        });
        self = &timer;
        timer.fire();
        QCOMPARE(ticks, 1);
        timer.fire();
        QCOMPARE(ticks, 2);
    }

    void zeroIntervalKeepsATimerOff() {
        Harness h;
        h.store->values = {{"AutoUpdateDrivesStatus", "1"}, {"AutoUpdateDrivesInterval", "abc"}};
        QVERIFY(h.start());
        QVERIFY(!h.window->TimerDrives->isActive());
        h.window->TimerDrives->setEnabled(true);
        QVERIFY(!h.window->TimerDrives->isActive());
    }

    void outputLogRecords() {
        Harness h;
        const QString out = h.root + QStringLiteral("/out.log");
        h.store->values = {{"LogInfoToFile", "1"}, {"OutputLogFileName", out.toStdString()}};
        QVERIFY(h.start());
        const QByteArray log = ReadAll(out);
        QVERIFY(log.startsWith("\"\tVarnook launched at "));
        QVERIFY(
            log.contains("\r\n\"\r\n\"Connected servers...\"\r\n\"\tFS1\"\r\n\"\tFS2\"\r\n"
                         "\"\r\nFound 2 servers.\"\r\n"));
        QString withNul = QStringLiteral("abc") + QChar(u'\0') + QStringLiteral("def");
        h.window->logs().WriteOutputLog(withNul);
        QCOMPARE(withNul, QStringLiteral("abc"));
        QVERIFY(ReadAll(out).endsWith("\"abc\"\r\n"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
