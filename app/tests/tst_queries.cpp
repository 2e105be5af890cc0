// The file usage queries through the main window and their result windows, on simulated networks
// built in the tests: users of a file, files of a connection, all open files, all connections.
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "browserwidgets.h"
#include "frm_allfiles.h"
#include "frm_loggedin.h"
#include "frm_otherfiles.h"
#include "netclient/fault.h"
#include "netclient/testing/testnet.h"
#include "refreshtimer.h"
#include "simharness.h"

using namespace varnook;
using namespace varnook::test;

namespace {

// Stations 40 to 47 have eight.dat open; 40 to 44 five.dat.
std::string Stations() {
    std::string s;
    for (int n = 40; n <= 47; ++n) {
        s += R"(,{"number":)" + std::to_string(n) + R"(,"user":"U)" + std::to_string(n) +
             R"(","openFiles":[{"path":"SYS:eight.dat"})" +
             (n <= 44 ? R"(,{"path":"SYS:five.dat"})" : "") + "]}";
    }
    return s;
}

std::string Network() {
    return R"({
  "workstation": {
    "drives": [ { "letter": "F", "target": "\\\\FS1\\SYS" },
                { "letter": "G", "target": "\\\\FS1\\DATA\\SHARED" },
                { "letter": "H", "target": "\\\\FS2\\SYS" } ],
    "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true },
                     { "server": "FS2", "user": "ADMIN", "station": 3 } ] },
  "servers": [
    { "name": "FS1", "maxConnections": 100,
      "volumes": [ { "name": "SYS" }, { "name": "DATA" }, { "name": "OLD", "nameSpaces": [0] } ],
      "connections": [
        { "number": 5 },
        { "number": 7, "user": "PSERVER", "type": "print server",
          "openFiles": [ { "path": "SYS:readme.txt" } ] },
        { "number": 12, "user": "JSMITH", "openFiles": [
            { "path": "SYS:DATA\\Quarterly Report.xls",
              "locks": [ { "start": 0, "end": 9 }, { "start": 20, "end": 29 } ] },
            { "path": "SYS:readme.txt" }, { "path": "DATA:SHARED\\budget.xls" } ] },
        { "number": 14, "user": "MBROWN", "status": "authenticated",
          "openFiles": [ { "path": "SYS:DATA\\Quarterly Report.xls" } ] },
        { "number": 20, "user": "IDLE" },
        { "number": 30, "user": "OLDIE", "openFiles": [ { "path": "OLD:LEDGER.DBF" } ] })" +
           Stations() + R"( ] },
    { "name": "FS2", "volumes": [ { "name": "SYS" } ],
      "connections": [ { "number": 9, "user": "CAROL",
                         "openFiles": [ { "path": "SYS:notes.txt" } ] } ] } ]
})";
}

const std::vector<std::string> kFiles = {"volumes/FS1/SYS/readme.txt",
                                         "volumes/FS1/SYS/free.txt",
                                         "volumes/FS1/SYS/eight.dat",
                                         "volumes/FS1/SYS/five.dat",
                                         "volumes/FS1/SYS/DATA/Quarterly Report.xls",
                                         "volumes/FS1/DATA/SHARED/budget.xls",
                                         "volumes/FS1/OLD/LEDGER.DBF",
                                         "volumes/FS2/SYS/notes.txt"};

QStringList Entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

QStringList Column(const ResultListView* list, int column) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->rows()->text(i, column);
    }
    return out;
}

bool g_handleLeft = false;

// A main window on a test network, through a fault-injecting client (no faults until a test asks;
// SimHarness), and a way to choose a file in its browser. Every handle opened must be closed again
// by the end of the test (cleanup() checks).
struct Setup {
    explicit Setup(const std::string& json = Network(),
                   const std::vector<std::string>& files = kFiles)
        : h(json, files), faulty(h.client) {}
    ~Setup() {
        if (handles() != 0) {
            g_handleLeft = true;
        }
    }
    bool start() {
        if (!h.start()) {
            return false;
        }
        w = h.window.get();
        return true;
    }
    size_t handles() { return h.openHandles(); }
    // Opens folder `path` ("F:\\DATA") and selects file `name` in it.
    void choose(const QString& path, const QString& name) {
        for (int i = 0; i < w->lstDrives->count(); ++i) {
            if (w->lstDrives->item(i)->text().startsWith(path.left(1))) {
                w->lstDrives->setCurrentRow(i);
            }
        }
        w->Dir1->setPath(path);
        const QList<QListWidgetItem*> found = w->lstFiles->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        w->lstFiles->setCurrentItem(found.first());
    }
    void selectServer(int row) {
        w->lstviewServers->setCurrentItem(w->lstviewServers->topLevelItem(row));
    }

    SimHarness h;
    nw::FaultInjectingClient& faulty;
    frmVarnook* w = nullptr;
};

// A network of one server whose stations 2 to `last` are logged in, each with `files` open.
std::string Crowd(int last, const std::string& files) {
    std::string stations;
    for (int n = 2; n <= last; ++n) {
        stations += std::string(n > 2 ? "," : "") + R"({"number":)" + std::to_string(n) +
                    R"(,"user":"U)" + std::to_string(n) + R"(","openFiles":[)" + files + "]}";
    }
    return R"({"workstation":{"drives":[{"letter":"F","target":"\\\\FS1\\SYS"}],
                "connections":[{"server":"FS1","user":"ADMIN","station":1,"consoleOperator":true}]},
                "servers":[{"name":"FS1","maxConnections":3000,"volumes":[{"name":"SYS"}],
                "connections":[)" +
           stations + "]}]}";
}

}  // namespace

class QueriesTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QVERIFY2(!g_handleLeft, "a connection handle was left open");
        g_handleLeft = false;
    }

    void fileOpenedByListsUsersStatusTablesAndLog() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        const QString log = s.h.root + QStringLiteral("/out.log");
        w.state().Prefs.LogInfoToFile = 1;
        w.state().Prefs.OutputLogFileName = log.toStdString();
        s.choose(QStringLiteral("F:\\DATA"), QStringLiteral("Quarterly Report.xls"));
        w.cmd_scan_Click();
        // The authenticated station's name cannot be read: its row stays, with the error text.
        QCOMPARE(Entries(w.lstLoginIDs), (QStringList{QStringLiteral(" 12  JSMITH"),
                                                      QStringLiteral(" 14  <Error getting ID>")}));
        QCOMPARE(w.StatusPanel2->text(), QStringLiteral(" 2 users have file open"));
        QCOMPARE(w.lstLoginIDs->currentRow(), 0);
        QVERIFY(w.optionUserinfo->isEnabled());
        QCOMPARE(w.state().UserNames[1], FixedWidthName("JSMITH"));
        QCOMPARE(w.state().UserConnNumbers[2], uint16_t{14});
        QCOMPARE(w.state().CurrentServerConnRef, 1u);
        QCOMPARE(w.Label1->text(), QStringLiteral("Init.  0- 0- 35327-"));
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(f.readAll()),
                 QStringLiteral("\"\r\nUsers with SYS:\\DATA\\Quarterly Report.xls open are:\"\r\n"
                                "\"\t 12  JSMITH\"\r\n\"\t 14  <Error getting ID>\"\r\n"));
        QVERIFY(s.h.messages.shown.empty());
        // The menu-bar entry and the users timer run the same query.
        w.lstLoginIDs->clear();
        w.optionFileOpenedBy->trigger();
        QCOMPARE(w.lstLoginIDs->count(), 2);
        w.lstLoginIDs->clear();
        w.TimerUsers->fire();
        QCOMPARE(w.lstLoginIDs->count(), 2);
    }

    void nobodyHasTheFileOpen() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.choose(QStringLiteral("F:\\"), QStringLiteral("free.txt"));
        w.cmd_scan_Click();
        QCOMPARE(Entries(w.lstLoginIDs), QStringList{QStringLiteral("<No users listed>")});
        QVERIFY(!w.optionUserinfo->isEnabled());
        QCOMPARE(w.StatusPanel2->text(), QStringLiteral(" 0 users have file open"));
        w.lstLoginIDs_MouseDown(Qt::RightButton, QPoint());
        QVERIFY(w.lastPopup() == nullptr);
        // "Other files" on the placeholder row asks for a user and opens nothing.
        w.optionotherfiles_Click();
        QCOMPARE(s.h.messages.texts(), QStringList{QStringLiteral("Please select a user.")});
        QVERIFY(w.OtherFilesWindow() == nullptr);
        QCOMPARE(w.state().LockFileSource, uint8_t{1});
    }

    void aLocalDriveIsRefused() {
        Setup s;
        QVERIFY(s.start());
        QVERIFY(s.w->Drive1->setDrive('c'));
        const int opens = s.faulty.calls(nw::Op::NWCCOpenConnByRef);
        s.w->cmd_scan_Click();
        QCOMPARE(s.h.messages.texts(),
                 QStringList{QStringLiteral("Can't do this on a local drive !")});
        QCOMPARE(s.faulty.calls(nw::Op::NWCCOpenConnByRef), opens);
    }

    void driveMappedBelowTheVolumeRoot() {
        Setup s;
        QVERIFY(s.start());
        s.choose(QStringLiteral("G:\\"), QStringLiteral("budget.xls"));
        s.w->cmd_scan_Click();
        QCOMPARE(Entries(s.w->lstLoginIDs), QStringList{QStringLiteral(" 12  JSMITH")});
    }

    void theUsersRefreshRunsBesideTheDriveRefresh() {
        Setup s;
        // Each drive refresh switches the users' refresh on again; the drives come round first.
        s.h.store->values = {{"AutoUpdateDrivesStatus", "1"},
                             {"AutoUpdateDrivesInterval", "1"},
                             {"AutoUpdateUsersStatus", "1"},
                             {"AutoUpdateUsersInterval", "2"}};
        QVERIFY(s.start());
        const int drives = s.faulty.calls(nw::Op::NWGetDriveInformation);
        QCOMPARE(s.faulty.calls(nw::Op::NWScanConnectionsUsingFile), 0);
        // The real timers run: "File opened by" comes round while the drives are refreshed.
        QTRY_VERIFY_WITH_TIMEOUT(s.faulty.calls(nw::Op::NWScanConnectionsUsingFile) > 0, 10000);
        QVERIFY(s.faulty.calls(nw::Op::NWGetDriveInformation) > drives);
        QVERIFY(s.w->TimerUsers->isActive());
    }

    void anErrorInAHandlerIsReportedAndNeverReachesQt() {
        Setup s;
        s.h.store->values = {{"AutoUpdateDrivesStatus", "1"}, {"AutoUpdateDrivesInterval", "1"}};
        QVERIFY(s.start());
        RecordingMessageService& messages = s.h.messages;
        s.faulty.replace<nw::Op::GetDriveMapping>(
            [](nw::nuint16, std::string&, std::string&) -> nw::NWCCODE {
                throw std::runtime_error("drive table lost");
            });
        // A real tick of the drive refresh: the handler's box, and the timer goes on.
        QTRY_VERIFY_WITH_TIMEOUT(!messages.shown.empty(), 10000);
        QCOMPARE(messages.shown[0].text,
                 QStringLiteral("Error 51 Internal error: drive table lost"));
        QCOMPARE(messages.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Varnook"));
        QVERIFY(s.w->TimerDrives->isActive());
        s.w->TimerDrives->setEnabled(false);
        // A real click in the file browser: the browser's own box.
        messages.clear();
        QListWidget* drives = s.w->lstDrives;
        QTest::mouseClick(drives->viewport(), Qt::LeftButton, {},
                          drives->visualItemRect(drives->item(1)).center());
        QCOMPARE(messages.shown.size(), size_t{1});
        QCOMPARE(messages.shown[0].title, QStringLiteral("Varnook error"));
        QCOMPARE(messages.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(messages.shown[0].text.startsWith(
            QStringLiteral("Internal error: drive table lost\r\n")));
    }

    void fiveUsersAfterEightKeepTheOlderEntries() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.choose(QStringLiteral("F:\\"), QStringLiteral("eight.dat"));
        w.cmd_scan_Click();
        QCOMPARE(w.lstLoginIDs->count(), 8);
        s.choose(QStringLiteral("F:\\"), QStringLiteral("five.dat"));
        w.cmd_scan_Click();
        QCOMPARE(w.lstLoginIDs->count(), 5);
        QCOMPARE(w.state().UserNames[5], FixedWidthName("U44"));
        QCOMPARE(w.state().UserNames[8], FixedWidthName("U47"));
        QCOMPARE(w.state().UserConnNumbers[6], uint16_t{45});
    }

    void theStatusCountIsTheFirstCallsAndFailuresSayCouldntCount() {
        Setup s;
        nw::FaultInjectingClient& faulty = s.faulty;
        bool first = true;
        faulty.replace<nw::Op::NWScanConnectionsUsingFile>(
            [&](nw::NWCONN_HANDLE c, nw::NWDIR_HANDLE d, const char* p, nw::nint16* iter,
                nw::CONN_USING_FILE* use, nw::CONNS_USING_FILE* used) {
                const nw::NWCCODE rc =
                    faulty.inner().NWScanConnectionsUsingFile(c, d, p, iter, use, used);
                if (first) {
                    used->connCount = 3;  // the server's count and its rows differ
                    first = false;
                }
                return rc;
            });
        QVERIFY(s.start());
        s.choose(QStringLiteral("F:\\DATA"), QStringLiteral("Quarterly Report.xls"));
        s.w->cmd_scan_Click();
        QCOMPARE(s.w->lstLoginIDs->count(), 2);
        QCOMPARE(s.w->StatusPanel2->text(), QStringLiteral(" 3 users have file open"));
        // A failed name-space translation ends the query before any scan.
        faulty.fail(nw::Op::NWGetNSPath, nw::FAILURE);
        const int scans = faulty.calls(nw::Op::NWScanConnectionsUsingFile);
        s.w->cmd_scan_Click();
        QCOMPARE(s.w->StatusPanel2->text(), QStringLiteral("Couldn't count connections"));
        QCOMPARE(Entries(s.w->lstLoginIDs), QStringList{QStringLiteral("<No users listed>")});
        QCOMPARE(faulty.calls(nw::Op::NWScanConnectionsUsingFile), scans);
        QCOMPARE(s.handles(), 0u);
    }

    void otherFilesOfTheDoubleClickedUser() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.choose(QStringLiteral("F:\\DATA"), QStringLiteral("Quarterly Report.xls"));
        w.cmd_scan_Click();
        w.state().UserListSource = 2;
        w.lstLoginIDs_DblClick();
        QCOMPARE(w.state().UserListSource, uint8_t{1});
        frm_OtherFiles* o = w.OtherFilesWindow();
        QVERIFY(o != nullptr && o->isVisible());
        QCOMPARE(o->windowTitle(), QStringLiteral("Varnook - Other files open by user"));
        QCOMPARE(o->lbl_UserName->text(),
                 QStringLiteral("User: ") + QString::fromLatin1(FixedWidthName("JSMITH").c_str()));
        QCOMPARE(Column(o->lstvFiles, 0),
                 (QStringList{QStringLiteral("SYS:\\DATA\\Quarterly Report.xls"),
                              QStringLiteral("SYS:\\readme.txt"),
                              QStringLiteral("DATA:\\SHARED\\budget.xls")}));
        QCOMPARE(Column(o->lstvFiles, 1),
                 (QStringList{QStringLiteral(" 2"), QString(), QString()}));
        QCOMPARE(o->lblOtherFiles->text(), QStringLiteral(" 3 files open"));
        QCOMPARE(w.state().LockFileSource, uint8_t{2});
        // The lock menu only for a file with locks.
        o->lstvFiles->setCurrentRowIndex(1);
        o->lstvFiles_MouseDown(Qt::RightButton, QPoint());
        QVERIFY(w.lastPopup() == nullptr);
        w.state().LockFileSource = 1;
        o->lstvFiles->setCurrentRowIndex(0);
        o->lstvFiles_MouseDown(Qt::RightButton, QPoint());
        QCOMPARE(w.lastPopup(), w.submnuLocks);
        QCOMPARE(w.state().LockFileSource, uint8_t{2});
        QCOMPARE(o->lstvFiles->editTriggers(), QAbstractItemView::NoEditTriggers);
        // Closed by its frame as by its button: the lock action no longer reads it.
        o->close();
        QCOMPARE(w.state().LockFileSource, uint8_t{1});
        QCOMPARE(o->lstvFiles->count(), 0);
    }

    void otherFilesWithoutASelectedRowTakesTheFirstRow() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.choose(QStringLiteral("F:\\"), QStringLiteral("five.dat"));
        w.cmd_scan_Click();
        w.lstLoginIDs->setCurrentRow(-1);
        w.lstLoginIDs->clearSelection();
        w.optionotherfiles_Click();
        QVERIFY(
            w.OtherFilesWindow()->lbl_UserName->text().startsWith(QStringLiteral("User: U40 ")));
        w.OtherFilesWindow()->cmdOK_Click();
        QVERIFY(!w.OtherFilesWindow()->isVisible());
    }

    void aConnectionWithNoFilesAndAVolumeWithoutLongNames() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.selectServer(0);
        w.submnuAllusers_Click();
        frm_loggedin* l = w.LoggedInWindow();
        const QList<QListWidgetItem*> idle =
            l->lstLoggedIn->findItems(QStringLiteral("20   IDLE"), Qt::MatchExactly);
        QCOMPARE(idle.size(), 1);
        l->lstLoggedIn->setCurrentItem(idle.first());
        w.optionotherfiles_Click();
        QCOMPARE(w.OtherFilesWindow()->lstvFiles->count(), 0);
        QCOMPARE(w.OtherFilesWindow()->lblOtherFiles->text(), QStringLiteral(" 0 files open"));
        l->lstLoggedIn->setCurrentItem(
            l->lstLoggedIn->findItems(QStringLiteral("30   OLDIE"), Qt::MatchExactly).first());
        w.optionotherfiles_Click();
        QCOMPARE(Column(w.OtherFilesWindow()->lstvFiles, 0),
                 QStringList{QStringLiteral("OLD:\\LEDGER.DBF")});
        QCOMPARE(w.OtherFilesWindow()->lbl_UserName->text().trimmed(),
                 QStringLiteral("User: 30   OLDIE"));
    }

    void allConnectionsWithSeparatorsCountAndSource() {
        Setup s;
        nw::FaultInjectingClient& faulty = s.faulty;
        faulty.replace<nw::Op::NWGetUserInfo>(
            [&](nw::NWCONN_HANDLE c, nw::nuint32 n, char* name, nw::NWUSER_INFO* info) {
                return n == 20 ? nw::FAILURE : faulty.inner().NWGetUserInfo(c, n, name, info);
            });
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.selectServer(0);
        w.submnuAllusers_Click();
        frm_loggedin* l = w.LoggedInWindow();
        QVERIFY(l->isVisible());
        QCOMPARE(l->windowTitle(), QStringLiteral("Varnook - All Logged In Users"));
        QCOMPARE(l->lblServerName->text(), QStringLiteral("FS1"));
        const QStringList rows = Entries(l->lstLoggedIn);
        QCOMPARE(rows.mid(0, 6),
                 (QStringList{QStringLiteral("1   ADMIN"), QStringLiteral("12   JSMITH"),
                              QStringLiteral("14 * MBROWN"), QStringLiteral("20 ? IDLE"),
                              QStringLiteral("30   OLDIE"), QStringLiteral("40   U40")}));
        QCOMPARE(rows.size(), 13);
        QCOMPARE(l->lblUserCount->text(), QStringLiteral(" 13 connections."));
        QCOMPARE(l->lstLoggedIn->currentRow(), 0);
        QCOMPARE(l->lstLoggedIn->item(2)->data(Qt::UserRole).toInt(), 14);
        QCOMPARE(w.state().AllUserNames[3], FixedWidthName("14 * MBROWN"));
        QCOMPARE(w.state().AllUserConnNumbers[3], uint16_t{14});
        QCOMPARE(w.state().UserListSource, uint8_t{2});
        w.submnuUser_Click();
        QVERIFY(w.optionClearConn->isEnabled());
        // Closed by its frame it stays the source, with no rows: the user actions are off.
        l->close();
        QCOMPARE(w.state().UserListSource, uint8_t{2});
        w.submnuUser_Click();
        QVERIFY(!w.optionClearConn->isEnabled());
        w.submnuAllusers_Click();
        l->cmdOK_Click();
        QCOMPARE(w.state().UserListSource, uint8_t{1});
        QCOMPARE(s.handles(), 0u);
    }

    void theAllConnectionsListKeepsItsOwnServer() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.selectServer(1);  // FS2
        w.submnuAllusers_Click();
        // A users-timer tick on the main list moves CurrentServerConnRef to FS1 ...
        s.choose(QStringLiteral("F:\\"), QStringLiteral("readme.txt"));
        w.TimerUsers->fire();
        QCOMPARE(w.state().CurrentServerConnRef, 1u);
        // ... but the all-connections rows still name FS2's connections.
        w.state().UserListSource = 2;
        QCOMPARE(w.state().UserActionConnRef(), 2u);
        frm_loggedin* l = w.LoggedInWindow();
        l->lstLoggedIn->setCurrentItem(
            l->lstLoggedIn->findItems(QStringLiteral("9   CAROL"), Qt::MatchExactly).first());
        w.optionotherfiles_Click();
        QCOMPARE(Column(w.OtherFilesWindow()->lstvFiles, 0),
                 QStringList{QStringLiteral("SYS:\\notes.txt")});
    }

    void allConnectionsStopAtTwoThousandAndAFailedOpen() {
        Setup s(Crowd(2003, ""), {"volumes/FS1/SYS/a.txt"});
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        w.submnuAllusers_Click();
        QCOMPARE(s.h.messages.texts(), QStringList{QStringLiteral("Reached max connections")});
        QCOMPARE(w.LoggedInWindow()->lstLoggedIn->count(), 2000);
        QCOMPARE(w.LoggedInWindow()->lblUserCount->text(), QStringLiteral(" 2000 connections."));
        QCOMPARE(s.handles(), 0u);

        s.h.messages.clear();
        s.faulty.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION);
        w.submnuAllusers_Click();
        QCOMPARE(s.h.messages.texts(),
                 QStringList{QStringLiteral("Error opening server connection.")});
        QCOMPARE(Entries(w.LoggedInWindow()->lstLoggedIn),
                 QStringList{QStringLiteral("Not available!")});
        QCOMPARE(w.LoggedInWindow()->lblUserCount->text(), QStringLiteral(" 1 connections."));
    }

    void allOpenFilesOfAServerSortedByAColumn() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        s.selectServer(0);
        w.submnuAllFiles_Click();
        frm_AllFiles* a = w.AllFilesWindow();
        QVERIFY(a->isVisible());
        QCOMPARE(a->lbl_ServerName->text(), QStringLiteral("Server: FS1"));
        // Logged-in users only: neither the print server nor station 5.
        const QStringList users = Column(a->lst_Files, 1);
        QVERIFY(!users.contains(QStringLiteral("PSERVER")));
        QCOMPARE(users.mid(0, 5), (QStringList{QStringLiteral("JSMITH"), QStringLiteral("JSMITH"),
                                               QStringLiteral("JSMITH"), QStringLiteral("MBROWN"),
                                               QStringLiteral("OLDIE")}));
        QCOMPARE(a->lst_Files->count(), 5 + 13);
        QCOMPARE(a->lblFileCount->text(), QStringLiteral("File count:  18"));
        QVERIFY(a->PBar1->isHidden());
        QVERIFY(a->lblMsg->text().isEmpty());
        QCOMPARE(w.state().AllFilesRunning, uint8_t{0});
        QCOMPARE(w.state().LockFileSource, uint8_t{3});
        QCOMPARE(w.state().LockServerConnRef, 1u);
        // A click on the "Locks" header puts the locked file last, a second click first.
        QHeaderView* header = a->lst_Files->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionPosition(2) + 5, 5));
        QCOMPARE(a->lst_Files->rows()->text(17, 2), QStringLiteral(" 2"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionPosition(2) + 5, 5));
        QCOMPARE(a->lst_Files->rows()->text(0, 2), QStringLiteral(" 2"));
        QCOMPARE(a->lst_Files->rows()->text(0, 0),
                 QStringLiteral("SYS:\\DATA\\Quarterly Report.xls"));
        w.state().LockFileSource = 1;
        a->lst_Files->setCurrentRowIndex(0);
        a->lst_Files_MouseDown(Qt::RightButton, QPoint());
        QCOMPARE(w.lastPopup(), w.submnuLocks);
        QCOMPARE(w.state().LockFileSource, uint8_t{3});
        // Display mode 2 adds a connection's files with its user name.
        const nw::NWCONN_HANDLE conn = s.h.sim.open(1);
        QCOMPARE(w.GetFilesByConn(conn, 12, "JSMITH", 2), 3);
        s.h.sim.client().NWCCCloseConn(conn);
        QCOMPARE(a->lst_Files->count(), 18 + 3);
        QCOMPARE(a->lblFileCount->text(), QStringLiteral("File count:  21"));
        a->cmd_OK_Click();
        QCOMPARE(w.state().LockFileSource, uint8_t{1});
        QCOMPARE(s.handles(), 0u);
    }

    void allOpenFilesNeedsAServerAndReportsAFailedOpen() {
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        w.lstviewServers->clearSelection();
        w.submnuAllFiles_Click();
        QCOMPARE(s.h.messages.texts(), QStringList{QStringLiteral("Please select a server.")});
        QCOMPARE(w.state().LockFileSource, uint8_t{1});
        QCOMPARE(w.state().AllFilesRunning, uint8_t{0});
        QVERIFY(w.AllFilesWindow() == nullptr);
        s.h.messages.clear();
        s.selectServer(1);
        s.faulty.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION);
        w.submnuAllFiles_Click();
        QCOMPARE(s.h.messages.texts(),
                 QStringList{QStringLiteral("Error opening connection to server FS2")});
        QCOMPARE(Column(w.AllFilesWindow()->lst_Files, 0),
                 QStringList{QStringLiteral("Not available!")});
        QCOMPARE(w.state().AllFilesRunning, uint8_t{0});
    }

    void closingTheWindowStopsTheWalkAndASecondWalkIsRefused() {
        Setup s(Crowd(400, R"({"path":"SYS:a.txt"},{"path":"SYS:b.txt"})"),
                {"volumes/FS1/SYS/a.txt", "volumes/FS1/SYS/b.txt"});
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        nw::FaultInjectingClient& faulty = s.faulty;
        int rowsAtClose = -1;
        // At station 100 the user asks for a second walk, then closes the window.
        faulty.replace<nw::Op::NWGetConnectionInformation>([&](nw::NWCONN_HANDLE c, nw::nuint32 n,
                                                               char* name, nw::nuint16* type,
                                                               nw::nuint32* id, nw::nuint8* time) {
            if (n == 100) {
                w.submnuAllFiles_Click();
                rowsAtClose = w.AllFilesWindow()->lst_Files->rows()->totalRows();
                w.AllFilesWindow()->close();
            }
            return faulty.inner().NWGetConnectionInformation(c, n, name, type, id, time);
        });
        w.submnuAllFiles_Click();
        QCOMPARE(rowsAtClose, 2 * 98);
        QCOMPARE(faulty.calls(nw::Op::NWGetFileServerInformation), 1);
        QCOMPARE(faulty.calls(nw::Op::NWGetConnectionInformation), 101);
        QCOMPARE(w.AllFilesWindow()->lst_Files->rows()->totalRows(), 0);
        QCOMPARE(w.state().AllFilesRunning, uint8_t{0});
        QCOMPARE(s.handles(), 0u);

        // Closed from the event loop while the walk yields: it stops there as well.
        faulty.replace<nw::Op::NWGetConnectionInformation>([&](nw::NWCONN_HANDLE c, nw::nuint32 n,
                                                               char* name, nw::nuint16* type,
                                                               nw::nuint32* id, nw::nuint8* time) {
            QTest::qSleep(1);
            return faulty.inner().NWGetConnectionInformation(c, n, name, type, id, time);
        });
        QTimer::singleShot(60, w.AllFilesWindow(), [&] { w.AllFilesWindow()->close(); });
        const int before = faulty.calls(nw::Op::NWGetConnectionInformation);
        w.submnuAllFiles_Click();
        QVERIFY(faulty.calls(nw::Op::NWGetConnectionInformation) - before < 1000);
        QVERIFY(!w.AllFilesWindow()->isVisible());
        QCOMPARE(w.state().AllFilesRunning, uint8_t{0});
        QCOMPARE(s.handles(), 0u);
    }

    // With VARNOOK_SCREENSHOT_DIR set, saves pictures of the three result windows.
    void screenshots() {
        const QByteArray dir = qgetenv("VARNOOK_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            QSKIP("VARNOOK_SCREENSHOT_DIR not set");
        }
        Setup s;
        QVERIFY(s.start());
        frmVarnook& w = *s.w;
        const QString out = QString::fromLocal8Bit(dir);
        s.choose(QStringLiteral("F:\\DATA"), QStringLiteral("Quarterly Report.xls"));
        w.cmd_scan_Click();
        QVERIFY(w.grab().save(out + QStringLiteral("/main-users.png")));
        w.lstLoginIDs_DblClick();
        QVERIFY(w.OtherFilesWindow()->grab().save(out + QStringLiteral("/other-files.png")));
        s.selectServer(0);
        w.submnuAllFiles_Click();
        QVERIFY(w.AllFilesWindow()->grab().save(out + QStringLiteral("/all-files.png")));
        w.AllFilesWindow()->resize(10, 10);
        QVERIFY(w.AllFilesWindow()->grab().save(out + QStringLiteral("/all-files-minimum.png")));
        w.submnuAllusers_Click();
        QVERIFY(w.LoggedInWindow()->grab().save(out + QStringLiteral("/all-connections.png")));
    }
};

QTEST_MAIN(QueriesTest)
#include "tst_queries.moc"
