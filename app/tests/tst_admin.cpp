// The administrative actions through their windows, on a simulated network: lock information,
// clearing connections, broadcast messages, the login switch with the start-up's console check,
// and user information. After every action no connection handle is left open.
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "../core/tests/actionnet.h"
#include "adminnets.h"
#include "browserwidgets.h"
#include "core/loginstatus.h"
#include "core/strtext.h"
#include "frm_allfiles.h"
#include "frm_clearconn.h"
#include "frm_lockinfo.h"
#include "frm_loggedin.h"
#include "frm_otherfiles.h"
#include "frm_sendmessage.h"
#include "frm_userinfo.h"
#include "frmgenmsg.h"
#include "simharness.h"

using namespace varnook;
using namespace varnook::test;

namespace {

struct AdminHarness : SimHarness {
    AdminHarness() : SimHarness(kActionNetwork, ActionNetworkFiles()) {}
    AdminHarness(std::string_view json, const std::vector<std::string>& files)
        : SimHarness(json, files) {}
};

// Fills the main users list as "File opened by" leaves it: rows, tables and the server.
void ShowUsers(frmVarnook& w, nw::NWCONN_REF ref,
               const std::vector<std::pair<int16_t, std::string>>& users) {
    AppState& s = w.state();
    s.CurrentServerConnRef = ref;
    s.MainUsersConnRef = ref;
    s.UserListSource = 1;
    w.lstLoginIDs->clear();
    for (size_t i = 0; i < users.size(); ++i) {
        s.UserConnNumbers[i + 1] = users[i].first;
        s.UserNames[i + 1] = users[i].second + std::string(40 - users[i].second.size(), ' ');
        w.lstLoginIDs->addItem(
            QString::fromStdString(StrText(users[i].first) + "  " + users[i].second));
    }
}

void Select(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows) {
        list->item(r)->setSelected(true);
    }
}

// Whether the server still has a station with that number.
bool StationExists(AdminHarness& h, nw::NWCONN_REF ref, uint32_t number) {
    nw::sim::SimClient& c = h.sim.client();
    nw::NWCONN_HANDLE handle = 0;
    c.NWCCOpenConnByRef(ref, nw::NWCC_OPEN_LICENSED, 0, &handle);
    char name[256] = {};
    nw::nuint16 type = 0;
    nw::nuint32 id = 0;
    nw::nuint8 time[7] = {};
    const bool found =
        c.NWGetConnectionInformation(handle, number, name, &type, &id, time) == nw::SUCCESSFUL;
    c.NWCCCloseConn(handle);
    return found;
}

QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

// Runs work on the modal window of type W the next action shows.
template <typename W>
void OnWindow(Harness& h, std::function<void(W&)> work) {
    h.messages.onModal = [work](QDialog* d) {
        if (auto* w = qobject_cast<W*>(d)) {
            work(*w);
        }
        return int{QDialog::Rejected};
    };
}

// The main window's browser at F:\SHARED with "Quarterly Report.xls" selected.
void SelectQuarterlyReport(frmVarnook& w) {
    w.Dir1->setPath(QStringLiteral("F:\\SHARED"));
    const QList<QListWidgetItem*> found =
        w.lstFiles->findItems(QStringLiteral("Quarterly Report.xls"), Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    w.lstFiles->setCurrentItem(found.first());
}

// The row of a result list whose first column reads text, or -1.
int FindRow(const ResultListView* list, const QString& text) {
    for (int r = 0; r < list->count(); ++r) {
        if (list->rows()->text(r, 0) == text) {
            return r;
        }
    }
    return -1;
}

QStringList Entries(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

// Selects the rows of a users list with these texts; the first becomes the current row.
void SelectEntries(QListWidget* list, const QStringList& texts) {
    list->clearSelection();
    for (const QString& text : texts) {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), qPrintable(text));
        found.first()->setSelected(true);
    }
    list->setCurrentItem(list->findItems(texts.first(), Qt::MatchExactly).first(),
                         QItemSelectionModel::NoUpdate);
}

// The texts of the message boxes shown so far (modal windows left out).
QStringList Boxes(const Harness& h) {
    QStringList texts;
    for (const ShownMessage& m : h.messages.shown) {
        if (m.kind == ShownMessage::Kind::Box) {
            texts << m.text;
        }
    }
    return texts;
}

QString DebugLog(Harness& h) {
    QFile f(h.programFolder + QStringLiteral("/Varnook.log"));
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(f.readAll());
}

}  // namespace

class AdminTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Lock information ------------------------------------------------------------------

    void lockInfoFromTheMainFileListAsksTheDrivesServer() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        SelectQuarterlyReport(w);
        w.lstFiles_MouseDown(Qt::RightButton, {});
        QCOMPARE(w.lastPopup(), w.submnuLocks);
        int shown = 0;
        OnWindow<frm_LockInfo>(h, [&shown](frm_LockInfo& f) {
            ++shown;
            QCOMPARE(f.windowTitle(), QStringLiteral("Varnook - File lock information"));
            QCOMPARE(f.lstvFileLock->headerItem()->text(0), QStringLiteral("Lock type"));
            QCOMPARE(f.lstvFileLock->headerItem()->text(3), QStringLiteral("Task"));
            // The lock of type 1 is not listed.
            QCOMPARE(Column(f.lstvFileLock, 0),
                     (QStringList{QStringLiteral("Not locked"), QStringLiteral("File lock"),
                                  QStringLiteral("Share file set")}));
            QCOMPARE(
                Column(f.lstvFileLock, 1),
                (QStringList{QStringLiteral(" 0"), QStringLiteral(" 512"), QStringLiteral(" 0")}));
            QCOMPARE(Column(f.lstvFileLock, 2),
                     (QStringList{QStringLiteral(" 511"), QStringLiteral(" 1023"),
                                  QStringLiteral("-1")}));
            // A task number is one byte on the wire: the demo's highest is 255.
            QCOMPARE(
                Column(f.lstvFileLock, 3),
                (QStringList{QStringLiteral(" 1"), QStringLiteral(" 3"), QStringLiteral(" 255")}));
            QCOMPARE(f.lblLockFileName->text(),
                     QStringLiteral("DATA:\\SHARED\\Quarterly Report.xls:  3 locks."));
            QCOMPARE(f.lblServer->text(), QStringLiteral("Server: FS1"));
        });
        w.optionLockInfo->trigger();
        // A fresh window on every run: the list does not grow.
        w.optionLockInfo_Click();
        QCOMPARE(shown, 2);
        QCOMPARE(h.openHandles(), size_t{0});
        QVERIFY(Boxes(h).isEmpty());
    }

    void lockInfoWithoutAFile() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstFiles->setCurrentItem(nullptr);
        h.messages.clear();
        w.optionLockInfo_Click();
        QCOMPARE(Boxes(h), QStringList{QStringLiteral("Please select a file")});
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Error!"));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void lockInfoWithoutAConnectionSaysSo() {
        AdminHarness h;
        QVERIFY(h.start());
        SelectQuarterlyReport(*h.window);
        h.client.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION);
        h.messages.clear();
        h.window->optionLockInfo_Click();
        QCOMPARE(Boxes(h), QStringList{QStringLiteral("Error - couldn't get connection handle")});
        QCOMPARE(h.messages.shown[0].kind, ShownMessage::Kind::Box);
        QCOMPARE(h.messages.shown[0].icon, MsgIcon::Critical);
    }

    void lockInfoFromTheOtherFilesWindowAsksItsServer() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}});
        w.lstLoginIDs->setCurrentRow(0);
        // The second file's path cannot be read: its row names no file to look up.
        h.client.fail(nw::Op::NWGetPathFromDirectoryBase, nw::INVALID_PATH,
                      {.skip = 1, .times = 1});
        w.optionotherfiles_Click();
        frm_OtherFiles* o = w.OtherFilesWindow();
        QVERIFY(o != nullptr);
        const int report =
            FindRow(o->lstvFiles, QStringLiteral("DATA:\\SHARED\\Quarterly Report.xls"));
        QVERIFY(report >= 0);
        o->lstvFiles->setCurrentRowIndex(report);
        o->lstvFiles_MouseDown(Qt::RightButton, {});
        QCOMPARE(w.state().LockFileSource, uint8_t{2});
        // A later users query on another server leaves the window's server as it was.
        w.state().CurrentServerConnRef = kOld;
        QString label;
        QString server;
        QStringList types;
        OnWindow<frm_LockInfo>(h, [&](frm_LockInfo& f) {
            label = f.lblLockFileName->text();
            server = f.lblServer->text();
            types = Column(f.lstvFileLock, 0);
        });
        w.optionLockInfo->trigger();
        QCOMPARE(label, QStringLiteral("DATA:\\SHARED\\Quarterly Report.xls:  3 locks."));
        QCOMPARE(server, QStringLiteral("Server: FS1"));
        QCOMPARE(types.size(), 3);

        const int unread = FindRow(o->lstvFiles, QStringLiteral("<Couldn't get path>"));
        QVERIFY(unread >= 0);
        h.messages.clear();
        o->lstvFiles->setCurrentRowIndex(unread);
        w.optionLockInfo_Click();
        o->lstvFiles->setCurrentRowIndex(-1);
        w.optionLockInfo_Click();
        QCOMPARE(Boxes(h), QStringList(2, QStringLiteral("Please select a file")));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void lockInfoFromTheAllOpenFilesWindow() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.submnuAllFiles_Click();
        frm_AllFiles* a = w.AllFilesWindow();
        QVERIFY(a != nullptr);
        const int report =
            FindRow(a->lst_Files, QStringLiteral("DATA:\\SHARED\\Quarterly Report.xls"));
        QVERIFY(report >= 0);
        a->lst_Files->setCurrentRowIndex(report);
        a->lst_Files_MouseDown(Qt::RightButton, {});
        QCOMPARE(w.state().LockFileSource, uint8_t{3});
        QString label;
        QString server;
        OnWindow<frm_LockInfo>(h, [&](frm_LockInfo& f) {
            label = f.lblLockFileName->text();
            server = f.lblServer->text();
        });
        w.optionLockInfo_Click();
        QCOMPARE(label, QStringLiteral("DATA:\\SHARED\\Quarterly Report.xls:  3 locks."));
        QCOMPARE(server, QStringLiteral("Server: FS1"));

        // The row a failed walk leaves is no file.
        h.client.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION, {.times = 1});
        w.submnuAllFiles_Click();
        QCOMPARE(a->lst_Files->rows()->text(0, 0), QStringLiteral("Not available!"));
        a->lst_Files->setCurrentRowIndex(0);
        h.messages.clear();
        w.optionLockInfo_Click();
        QCOMPARE(Boxes(h), QStringList{QStringLiteral("Please select a file")});
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void actionsOnTheAllConnectionsListGoToItsServer() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.submnuAllusers_Click();
        frm_loggedin* l = w.LoggedInWindow();
        QVERIFY(l != nullptr);
        QCOMPARE(w.state().UserListSource, uint8_t{2});
        SelectEntries(l->lstLoggedIn,
                      {QStringLiteral("12   JSMITH"), QStringLiteral("16   AGARCIA")});
        // A users query on another server meanwhile rewrites CurrentServerConnRef.
        w.state().CurrentServerConnRef = kOld;
        QStringList offered;
        QStringList results;
        OnWindow<frm_ClearConn>(h, [&](frm_ClearConn& f) {
            offered = Column(f.lstvUsers, 0);
            f.cmdYes_Click();
            results = Column(f.lstvUsers, 1);
        });
        w.optionClearConn->trigger();
        QCOMPARE(offered,
                 (QStringList{QStringLiteral("12   JSMITH"), QStringLiteral("16   AGARCIA")}));
        QCOMPARE(results, QStringList(2, QStringLiteral("Cleared OK")));
        QVERIFY(!StationExists(h, kFs1, 12));
        QVERIFY(!StationExists(h, kFs1, 16));
        QVERIFY(StationExists(h, kOld, 9));
        // The list was walked again on its own server: the cleared stations are gone.
        const QStringList rows = Entries(l->lstLoggedIn);
        QVERIFY(!rows.contains(QStringLiteral("12   JSMITH")));
        QVERIFY(rows.contains(QStringLiteral("15   LCHEN")));

        SelectEntries(l->lstLoggedIn,
                      {QStringLiteral("15   LCHEN"), QStringLiteral("14 * MBROWN")});
        QStringList sent;
        OnWindow<frm_SendMessage>(h, [&sent](frm_SendMessage& f) {
            f.txtMessage->setText(QStringLiteral("Hello"));
            f.cmdSend_Click();
            sent = Column(f.lstvUsers, 1);
        });
        w.optionsendmsg_Click();
        QCOMPARE(sent, (QStringList{QStringLiteral("Sent OK"),
                                    QStringLiteral("Not accepting messages")}));

        l->lstLoggedIn->setCurrentItem(
            l->lstLoggedIn->findItems(QStringLiteral("14 * MBROWN"), Qt::MatchExactly).first());
        QString status;
        QString name;
        OnWindow<frm_UserInfo>(h, [&](frm_UserInfo& f) {
            status = f.lblStatusTxt->text();
            name = f.lblUsrNameText->text();
        });
        w.optionUserinfo_Click();
        QCOMPARE(status, QStringLiteral("Authenticated"));
        QCOMPARE(name, QStringLiteral("14 * MBROWN"));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void actionsOnTheMainUsersListGoToItsServer() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        SelectQuarterlyReport(w);
        QTest::mouseClick(w.cmd_scan, Qt::LeftButton);
        QCOMPARE(Entries(w.lstLoginIDs), QStringList{QStringLiteral(" 12  JSMITH")});
        // All Connections on OLD, closed with OK: the main list is the source again.
        QTreeWidgetItem* old =
            w.lstviewServers->findItems(QStringLiteral("OLD"), Qt::MatchExactly).first();
        w.lstviewServers->setCurrentItem(old);
        w.submnuAllusers->trigger();
        QCOMPARE(w.state().CurrentServerConnRef, kOld);
        QTest::mouseClick(w.LoggedInWindow()->cmdOK, Qt::LeftButton);
        QCOMPARE(w.state().UserListSource, uint8_t{1});

        w.lstLoginIDs->setCurrentRow(0);
        QString files;
        OnWindow<frm_UserInfo>(h, [&](frm_UserInfo& f) { files = f.lblOpenFileText->text(); });
        w.optionUserinfo->trigger();
        QCOMPARE(files, QStringLiteral(" 2"));
        w.optionotherfiles->trigger();
        QCOMPARE(w.OtherFilesWindow()->lstvFiles->count(), 2);
        QStringList results;
        OnWindow<frm_ClearConn>(h, [&](frm_ClearConn& f) {
            f.cmdYes_Click();
            results = Column(f.lstvUsers, 1);
        });
        w.optionClearConn->trigger();
        QCOMPARE(results, QStringList{QStringLiteral("Cleared OK")});
        QVERIFY(!StationExists(h, kFs1, 12));
        QVERIFY(StationExists(h, kOld, 9));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void anEmptyOrUnavailableAllConnectionsListOffersNobody() {
        AdminHarness h;
        const QString out = h.root + QStringLiteral("/out.log");
        h.store->values = {{"LogInfoToFile", "1"}, {"OutputLogFileName", out.toStdString()}};
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        h.client.fail(nw::Op::NWGetFileServerInformation, nw::FAILURE, {.times = 1});
        w.submnuAllusers_Click();
        QCOMPARE(w.LoggedInWindow()->lstLoggedIn->count(), 0);
        h.messages.clear();
        w.optionClearConn_Click();
        w.optionsendmsg_Click();
        w.optionUserinfo_Click();
        h.client.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION, {.times = 1});
        w.submnuAllusers_Click();
        QCOMPARE(Entries(w.LoggedInWindow()->lstLoggedIn),
                 QStringList{QStringLiteral("Not available!")});
        w.LoggedInWindow()->lstLoggedIn->setCurrentRow(0);
        w.optionClearConn_Click();
        w.optionsendmsg_Click();
        w.optionUserinfo_Click();
        w.optionotherfiles_Click();
        QStringList expected(3, QStringLiteral("Please select a user."));
        expected << QStringLiteral("Error opening server connection.");
        expected << QStringList(4, QStringLiteral("Please select a user."));
        QCOMPARE(Boxes(h), expected);
        QCOMPARE(h.client.calls(nw::Op::NWClearConnectionNumber), 0);
        QCOMPARE(h.client.calls(nw::Op::NWSendBroadcastMessage), 0);
        // Other Files neither scans nor names the placeholder anywhere.
        QCOMPARE(h.client.calls(nw::Op::NWScanOpenFilesByConn2), 0);
        QVERIFY(w.OtherFilesWindow() == nullptr || !w.OtherFilesWindow()->isVisible());
        QFile log(out);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(!log.readAll().contains("Other files open by"));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void lockWindowKeepsItsMinimumSize() {
        frm_LockInfo f;
        f.show();
        f.resize(10, 10);
        const double dpi = f.logicalDpiX();
        QVERIFY(f.width() * 1440.0 / dpi >= 2490);
        QVERIFY(f.height() * 1440.0 / dpi + 390 >= 1990);
        f.resize(900, 600);
        // The list is as wide as the window less 100 twips.
        const int listWidth = qRound(900 - 100 * dpi / 1440.0);
        QVERIFY(qAbs(f.lstvFileLock->width() - listWidth) <= 1);
        QVERIFY(qAbs(f.lstvFileLock->columnWidth(0) - listWidth / 5) <= 1);
        QVERIFY(qAbs(f.lstvFileLock->columnWidth(3) - listWidth / 7) <= 1);
        QVERIFY(f.cmdOK->geometry().bottom() < f.height());
        QVERIFY(f.lstvFileLock->geometry().bottom() < f.cmdOK->y());
    }

    // ---- Clear connection ------------------------------------------------------------------

    void clearConnectionsShowsEachResultAndClearsAgainInTheSameWindow() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {15, "LCHEN"}, {99, "GHOST"}, {20, "NOBODY"}});
        w.lstLoginIDs->setCurrentRow(3);
        Select(w.lstLoginIDs, {0, 2, 3});
        QStringList first;
        QStringList second;
        OnWindow<frm_ClearConn>(h, [&](frm_ClearConn& f) {
            QCOMPARE(f.windowTitle(), QStringLiteral("Varnook - Clear Connection"));
            QCOMPARE(Column(f.lstvUsers, 0),
                     (QStringList{QStringLiteral(" 12  JSMITH"), QStringLiteral(" 99  GHOST"),
                                  QStringLiteral(" 20  NOBODY")}));
            QCOMPARE(f.lstvUsers->columnCount(), 1);
            f.cmdYes->click();
            QCOMPARE(f.lstvUsers->columnCount(), 2);
            QCOMPARE(f.lstvUsers->headerItem()->text(1), QStringLiteral("Connection Cleared ?"));
            first = Column(f.lstvUsers, 1);
            QCOMPARE(f.cmdNo->text(), QStringLiteral("E&xit"));
            QVERIFY(f.cmdNo->isDefault());
            f.cmdYes_Click();
            QCOMPARE(f.lstvUsers->columnCount(), 2);
            second = Column(f.lstvUsers, 1);
        });
        w.optionClearConn->trigger();
        QCOMPARE(first,
                 (QStringList{QStringLiteral("Cleared OK"), QStringLiteral("Bad station no."),
                              QStringLiteral("Cleared OK")}));
        QCOMPARE(second, QStringList(3, QStringLiteral("Bad station no.")));
        QVERIFY(!StationExists(h, kFs1, 12));
        QVERIFY(!StationExists(h, kFs1, 20));
        QVERIFY(StationExists(h, kFs1, 15));
        QCOMPARE(w.state().ConnectionsCleared, uint8_t{1});
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void clearWithoutConsoleRightsAndCancelled() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kOld, {{9, "HSCHMIDT"}});
        QStringList results;
        OnWindow<frm_ClearConn>(h, [&results](frm_ClearConn& f) {
            f.cmdYes_Click();
            results = Column(f.lstvUsers, 1);
        });
        w.optionClearConn_Click();
        QCOMPARE(results, QStringList{QStringLiteral("No console privileges")});
        QVERIFY(StationExists(h, kOld, 9));

        // Nothing selected: the first user is offered; cancelling sends nothing.
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {15, "LCHEN"}});
        QStringList offered;
        OnWindow<frm_ClearConn>(h, [&offered](frm_ClearConn& f) {
            offered = Column(f.lstvUsers, 0);
            f.cmdNo->click();
        });
        w.optionClearConn_Click();
        QCOMPARE(offered, QStringList{QStringLiteral(" 12  JSMITH")});
        QCOMPARE(w.state().ConnectionsCleared, uint8_t{0});
        QCOMPARE(h.client.calls(nw::Op::NWClearConnectionNumber), 1);
        QVERIFY(StationExists(h, kFs1, 12));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void clearWithoutAServerConnection() {
        AdminHarness h;
        QVERIFY(h.start());
        ShowUsers(*h.window, kFs1, {{12, "JSMITH"}});
        h.client.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION);
        int columns = 0;
        OnWindow<frm_ClearConn>(h, [&columns](frm_ClearConn& f) {
            f.cmdYes_Click();
            columns = f.lstvUsers->columnCount();
        });
        h.window->optionClearConn_Click();
        // The attempt counts: the list is refreshed afterwards, and that query meets the same
        // dead connection.
        QCOMPARE(Boxes(h).mid(Boxes(h).size() - 2),
                 (QStringList{QStringLiteral("Error opening server connection."),
                              QStringLiteral("Error - couldn't get connection handle")}));
        QCOMPARE(columns, 1);
        QCOMPARE(h.window->state().ConnectionsCleared, uint8_t{1});
    }

    void placeholderRowsAreNeverActedOn() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstLoginIDs->clear();
        h.messages.clear();
        w.optionClearConn_Click();
        w.lstLoginIDs->addItem(QStringLiteral("<No users listed>"));
        w.lstLoginIDs->setCurrentRow(0);
        w.optionClearConn_Click();
        w.optionsendmsg_Click();
        w.optionUserinfo_Click();
        QCOMPARE(Boxes(h), (QStringList{QStringLiteral("Please select a user ID."),
                                        QStringLiteral("Please select a user ID."),
                                        QStringLiteral("Please select a user."),
                                        QStringLiteral("Please select a user.")}));
        QCOMPARE(h.client.calls(nw::Op::NWClearConnectionNumber), 0);
        QCOMPARE(h.client.calls(nw::Op::NWSendBroadcastMessage), 0);
    }

    void aRightClickKeepsTheSelectionTheActionsReadAfterwards() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {14, "MBROWN"}, {15, "LCHEN"}, {16, "AGARCIA"}});
        SelectEntries(w.lstLoginIDs, {QStringLiteral(" 12  JSMITH"), QStringLiteral(" 15  LCHEN")});
        QListWidget* list = w.lstLoginIDs;
        QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                          list->visualItemRect(list->item(3)).center());
        QCOMPARE(list->selectedItems().size(), 2);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(!list->item(3)->isSelected());
        QCOMPARE(w.lastPopup(), w.submnuUser);
        QStringList offered;
        OnWindow<frm_ClearConn>(h, [&](frm_ClearConn& f) { offered = Column(f.lstvUsers, 0); });
        w.optionClearConn->trigger();
        QCOMPARE(offered,
                 (QStringList{QStringLiteral(" 12  JSMITH"), QStringLiteral(" 15  LCHEN")}));
        // The left button still selects.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(3)).center());
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(list->item(3)->isSelected());
    }

    void moreThanAThousandChosenConnectionsAreAllCleared() {
        AdminHarness h(BigServerNetwork(1200), {"volumes/BIG/SYS/"});
        QVERIFY(h.start());
        std::vector<std::pair<int16_t, std::string>> users;
        for (int16_t n = 2; n <= 1201; ++n) {
            users.emplace_back(n, "U" + std::to_string(n));
        }
        ShowUsers(*h.window, 1, users);
        h.window->lstLoginIDs->setCurrentRow(0);
        h.window->lstLoginIDs->selectAll();
        QStringList results;
        OnWindow<frm_ClearConn>(h, [&results](frm_ClearConn& f) {
            f.cmdYes_Click();
            results = Column(f.lstvUsers, 1);
        });
        h.window->optionClearConn_Click();
        QCOMPARE(results, QStringList(1200, QStringLiteral("Cleared OK")));
        QVERIFY(!StationExists(h, 1, 1201));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    // ---- Broadcast message -----------------------------------------------------------------

    void broadcastToAMixOfStationsAndAgain() {
        AdminHarness h;
        h.commandLine = "/debug";
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {20, "NOBODY"}, {15, "LCHEN"}, {16, "AGARCIA"}});
        w.lstLoginIDs->setCurrentRow(0);
        w.lstLoginIDs->selectAll();
        QStringList first;
        QStringList second;
        OnWindow<frm_SendMessage>(h, [&](frm_SendMessage& f) {
            QCOMPARE(f.windowTitle(), QStringLiteral("Varnook - Send Message"));
            QCOMPARE(f.txtMessage->maxLength(), 250);
            QCOMPARE(f.lblSendTo->text(), QString());
            QTest::keyClicks(f.txtMessage, QStringLiteral("Server down at 5"));
            f.cmdSend->click();
            QCOMPARE(f.lstvUsers->headerItem()->text(1), QStringLiteral("Sent Message ?"));
            first = Column(f.lstvUsers, 1);
            f.cmdSend_Click();
            second = Column(f.lstvUsers, 1);
            QCOMPARE(f.lstvUsers->columnCount(), 2);
            QCOMPARE(f.cmdCancel->text(), QStringLiteral("E&xit"));
        });
        w.optionsendmsg->trigger();
        QCOMPARE(first,
                 (QStringList{QStringLiteral("Sent OK"), QStringLiteral("Not logged in to server"),
                              QStringLiteral("Not accepting messages"),
                              QStringLiteral("Already has message")}));
        // The message landed at station 12, so the second send finds it waiting there.
        QCOMPARE(second.first(), QStringLiteral("Already has message"));
        const QString log = DebugLog(h);
        QVERIFY(log.contains(QStringLiteral("\"4 selected users.\"\r\n")));
        QVERIFY(log.contains(QStringLiteral("\"Connection no 16 shifted down one\"\r\n")));
        QVERIFY(log.contains(QStringLiteral("\"Displaying result 4\"\r\n")));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void broadcastRefusals() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kOld, {{9, "HSCHMIDT"}});
        OnWindow<frm_SendMessage>(h, [&h](frm_SendMessage& f) {
            // The older server takes 58 bytes.
            QCOMPARE(f.txtMessage->maxLength(), 58);
            f.cmdSend_Click();  // empty text
            QCOMPARE(f.cmdCancel->text(), QStringLiteral("E&xit"));
            f.txtMessage->setText(QStringLiteral("hello"));
            h.client.fail(nw::Op::NWSendBroadcastMessage, nw::MESSAGE_QUEUE_FULL);
            f.cmdSend_Click();
            QCOMPARE(Column(f.lstvUsers, 1), QStringList{QString()});
        });
        h.messages.clear();
        w.optionsendmsg_Click();
        QCOMPARE(Boxes(h), (QStringList{QStringLiteral("Please enter some text to send."),
                                        QStringLiteral("Error 35324- Message Q full")}));
        QCOMPARE(h.messages.shown.back().title, QStringLiteral("Varnook - Send message"));
        QCOMPARE(h.client.calls(nw::Op::NWSendBroadcastMessage), 1);
        QCOMPARE(h.openHandles(), size_t{0});
    }

    // ---- Login status ----------------------------------------------------------------------

    void loginSwitchBothWaysShowsInTheServerList() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QTreeWidgetItem* fs1 = w.lstviewServers->topLevelItem(0);
        QCOMPARE(fs1->text(1), QStringLiteral("Enabled"));
        w.lstviewServers_MouseDown(Qt::RightButton, {});
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Disable &Logins"));
        h.messages.answers = {MsgAnswer::Yes};
        w.submnuDisableLogins->trigger();
        QCOMPARE(h.messages.shown.back().text,
                 QStringLiteral("Are you sure you want to disable logins on server FS1 ?"));
        QCOMPARE(h.messages.shown.back().title, QStringLiteral("Varnook - Login Status"));
        // Yes and No under the title, and no icon.
        QCOMPARE(h.messages.shown.back().buttons, MsgButtons::YesNo);
        QCOMPARE(h.messages.shown.back().icon, MsgIcon::None);
        QCOMPARE(w.SelectedServerRow()->text(1), QStringLiteral("Disabled"));
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Enable Logins"));
        // The server itself changed: a refill of the list reads it back.
        w.Timer1_Timer();
        QCOMPARE(w.lstviewServers->topLevelItem(0)->text(1), QStringLiteral("Disabled"));

        h.messages.answers = {MsgAnswer::Yes};
        w.submnuDisableLogins_Click();
        QCOMPARE(h.messages.shown.back().text,
                 QStringLiteral("Are you sure you want to enable logins on server FS1 ?"));
        w.Timer1_Timer();
        QCOMPARE(w.lstviewServers->topLevelItem(0)->text(1), QStringLiteral("Enabled"));
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Disable Logins"));

        // "No" changes nothing.
        h.messages.answers = {MsgAnswer::No};
        w.submnuDisableLogins_Click();
        QCOMPARE(h.client.calls(nw::Op::NWDisableFileServerLogin), 1);
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void loginSwitchRefusedWithoutConsoleRights() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstviewServers->topLevelItem(1)->setSelected(true);
        w.lstviewServers->setCurrentItem(w.lstviewServers->topLevelItem(1));
        QCOMPARE(w.SelectedServerRow()->text(0), QStringLiteral("OLD"));
        h.messages.answers = {MsgAnswer::Yes};
        QString text;
        h.messages.onModal = [&text](QDialog* d) {
            if (auto* g = qobject_cast<frmGenMsg*>(d)) {
                text = g->lblGenMsg->text();
            }
            return int{QDialog::Accepted};
        };
        w.submnuDisableLogins_Click();
        QCOMPARE(text, QStringLiteral("Could not disable logins on server OLD !\r\nNo console "
                                      "operator privileges."));
        QCOMPARE(w.SelectedServerRow()->text(1), QStringLiteral("Enabled"));
        QCOMPARE(h.messages.shown.back().title, QStringLiteral("Varnook Information"));

        h.client.fail(nw::Op::NWDisableFileServerLogin, nw::FAILURE);
        h.messages.answers = {MsgAnswer::Yes};
        w.submnuDisableLogins_Click();
        QCOMPARE(text, QStringLiteral("Could not disable logins on server OLD !\r\nError code:  "
                                      "35327"));
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void startUpWarnsOnceWithoutConsoleRights() {
        AdminHarness h(kOperatorlessNetwork, {"volumes/OLD/SYS/"});
        QVERIFY(h.start());
        QCOMPARE(h.messages.shown.size(), size_t{1});
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Warning !"));
        QCOMPARE(h.messages.shown[0].text,
                 QStringLiteral("You do not have console operator priviledges on server OLD\rSome "
                                "functions may not run correctly.\r\rPlease contact your network "
                                "administrator."));
        QCOMPARE(h.openHandles(), size_t{0});

        AdminHarness invalid;
        invalid.client.fail(nw::Op::NWCheckConsolePrivileges, nw::INVALID_CONNECTION);
        QVERIFY(invalid.start());
        QCOMPARE(invalid.messages.texts(),
                 QStringList{QStringLiteral(
                     "Invalid connection handle.\rTry logging out, and logging in again")});
        QCOMPARE(invalid.messages.shown[0].title, QStringLiteral("Critical error"));

        AdminHarness granted;
        QVERIFY(granted.start());
        QVERIFY(granted.messages.shown.empty());
    }

    // ---- User information ------------------------------------------------------------------

    void userInfoShowsTheConnectionAndRefreshesEverySecond() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {14, "MBROWN"}});
        w.lstLoginIDs->setCurrentRow(0);
        OnWindow<frm_UserInfo>(h, [&h, &w](frm_UserInfo& f) {
            QCOMPARE(f.windowTitle(), QStringLiteral("Varnook - User information"));
            QCOMPARE(f.TimerUserInfo->interval(), 1000);
            QVERIFY(f.TimerUserInfo->isActive());
            QCOMPARE(f.lblUsrNameText->text(), QStringLiteral(" 12  JSMITH"));
            QCOMPARE(f.lblConnInuseText->text(), QStringLiteral("Yes"));
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Normal"));
            QCOMPARE(f.lblNetAddText->text(), QStringLiteral("0000C0A8:00001B2C3D4E:0003"));
            QCOMPARE(f.lblLoginTimeText->text(), QStringLiteral("8:15:30  12/7/26"));
            QCOMPARE(f.lblBytesReadText->text(), QStringLiteral("4,294,967,296"));
            QCOMPARE(f.lblBytesWrittenText->text(), QStringLiteral("0"));
            QCOMPARE(f.lblOpenFileText->text(), QStringLiteral(" 2"));
            QCOMPARE(f.lblFileLocksText->text(), QStringLiteral(" 4"));

            // The next tick reads the row that is current then: an authenticated station keeps
            // the values shown.
            w.lstLoginIDs->setCurrentRow(1);
            f.TimerUserInfo_Timer();
            QCOMPARE(f.lblUsrNameText->text(), QStringLiteral(" 14  MBROWN"));
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Authenticated"));
            QCOMPARE(f.lblBytesReadText->text(), QStringLiteral("4,294,967,296"));
            QCOMPARE(f.lblNetAddText->text(), QStringLiteral("00000000:000000000000:0000"));
            QVERIFY(h.messages.shown.size() == 1);  // the window itself
        });
        w.optionUserinfo->trigger();
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void userInfoErrorsNeverStack() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{12, "JSMITH"}});
        w.lstLoginIDs->setCurrentRow(0);
        OnWindow<frm_UserInfo>(h, [&h](frm_UserInfo& f) {
            h.messages.clear();
            h.client.fail(nw::Op::NWGetUserInfo, nw::FAILURE, {.times = 1});
            h.client.fail(nw::Op::NWGetInetAddr, nw::BAD_STATION_NUMBER, {.times = 1});
            // Ticks that come while the window's own message is up are skipped.
            int ticks = 0;
            h.messages.onShown = [&f, &ticks](const ShownMessage&) {
                ++ticks;
                f.TimerUserInfo_Timer();
            };
            f.TimerUserInfo_Timer();
            h.messages.onShown = nullptr;
            QCOMPARE(ticks, 2);
            QCOMPARE(Boxes(h),
                     (QStringList{QStringLiteral(" Error:  35327"),
                                  QStringLiteral("Couldn't get network address. Error :  35325")}));
            QCOMPARE(h.messages.shown[0].title, QStringLiteral("User Information - Error!"));
            QCOMPARE(h.messages.shown[0].icon, MsgIcon::Exclamation);
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Error: couldn't get info."));
            QCOMPARE(f.lblBytesReadText->text(), QStringLiteral("4,294,967,296"));

            // A failed open-file count says so; the other values are filled.
            h.client.fail(nw::Op::NWScanOpenFilesByConn2, nw::FAILURE, {.times = 1});
            f.TimerUserInfo_Timer();
            QCOMPARE(f.lblOpenFileText->text(), QStringLiteral("Couldn't count files"));
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Normal"));

            // The user's choice disappears: each refresh checks it as the opening does.
            h.messages.clear();
            h.window->lstLoginIDs->clear();
            h.window->lstLoginIDs->addItem(QStringLiteral("<No users listed>"));
            h.window->lstLoginIDs->setCurrentRow(0);
            f.TimerUserInfo_Timer();
            QCOMPARE(Boxes(h), QStringList{QStringLiteral("Please select a user ID.")});

            h.window->lstLoginIDs->clear();
            ShowUsers(*h.window, kFs1, {{12, "JSMITH"}});
            h.window->lstLoginIDs->setCurrentRow(0);
            h.client.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION, {.times = 1});
            h.messages.clear();
            f.TimerUserInfo_Timer();
            QCOMPARE(Boxes(h), QStringList{QStringLiteral("Couldn't open connection.")});
        });
        w.optionUserinfo_Click();
        QCOMPARE(h.openHandles(), size_t{0});
    }

    void userInfoOfAStationThatWasCleared() {
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        ShowUsers(w, kFs1, {{16, "AGARCIA"}});
        w.lstLoginIDs->setCurrentRow(0);
        OnWindow<frm_UserInfo>(h, [&h](frm_UserInfo& f) {
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Normal"));
            QCOMPARE(f.lblBytesWrittenText->text(), QStringLiteral("0"));
            nw::sim::SimClient& c = h.sim.client();
            nw::NWCONN_HANDLE handle = 0;
            c.NWCCOpenConnByRef(kFs1, nw::NWCC_OPEN_LICENSED, 0, &handle);
            c.NWClearConnectionNumber(handle, 16);
            c.NWCCCloseConn(handle);
            h.messages.clear();
            f.TimerUserInfo_Timer();
            QCOMPARE(f.lblStatusTxt->text(), QStringLiteral("Error: couldn't get info."));
            QCOMPARE(Boxes(h).first(), QStringLiteral(" Error:  35325"));
        });
        w.optionUserinfo_Click();
        QCOMPARE(h.openHandles(), size_t{0});
    }

    // With VARNOOK_SCREENSHOT_DIR set, saves a picture of each action window.
    void screenshots() {
        const QByteArray dir = qgetenv("VARNOOK_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            QSKIP("VARNOOK_SCREENSHOT_DIR not set");
        }
        const QString out = QString::fromLocal8Bit(dir);
        AdminHarness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        auto save = [&out](QWidget& f, const char* name) {
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            QVERIFY(f.grab().save(out + QLatin1Char('/') + QLatin1String(name) +
                                  QStringLiteral(".png")));
        };
        ShowUsers(w, kFs1, {{12, "JSMITH"}});
        w.lstLoginIDs->setCurrentRow(0);
        OnWindow<frm_UserInfo>(h, [&save](frm_UserInfo& f) { save(f, "userinfo"); });
        w.optionUserinfo_Click();
        SelectQuarterlyReport(w);
        OnWindow<frm_LockInfo>(h, [&save](frm_LockInfo& f) { save(f, "lockinfo"); });
        w.optionLockInfo_Click();
        ShowUsers(w, kFs1, {{12, "JSMITH"}, {15, "LCHEN"}, {99, "GHOST"}, {16, "AGARCIA"}});
        w.lstLoginIDs->setCurrentRow(0);
        w.lstLoginIDs->selectAll();
        OnWindow<frm_SendMessage>(h, [&save](frm_SendMessage& f) {
            save(f, "sendmessage");
            f.txtMessage->setText(QStringLiteral("The server goes down at 17:00."));
            f.cmdSend_Click();
            save(f, "sendmessage-sent");
        });
        w.optionsendmsg_Click();
        OnWindow<frm_ClearConn>(h, [&save](frm_ClearConn& f) {
            save(f, "clearconn");
            f.cmdYes_Click();
            save(f, "clearconn-cleared");
        });
        w.optionClearConn_Click();
        frmGenMsg g(&w);
        g.lblGenMsg->setText(
            QStringLiteral("Could not disable logins on server OLD !\r\nNo console operator "
                           "privileges."));
        save(g, "loginstatus-refused");
        QMessageBox warning(QMessageBox::Critical, QStringLiteral("Warning !"),
                            QString::fromStdString(NoConsoleRightsWarning("OLD")));
        save(warning, "consolewarning");
    }
};

QTEST_MAIN(AdminTest)
#include "tst_admin.moc"
