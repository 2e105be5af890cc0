// The server list, the drive list and file browser, path resolution, the menus and the layout.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "browserwidgets.h"
#include "harness.h"
#include "refreshtimer.h"
#include "twips.h"

using namespace varnook;
using namespace varnook::test;

namespace {
QStringList Column(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        out << list->topLevelItem(i)->text(column);
    }
    return out;
}
QStringList Entries(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}
}  // namespace

class BrowserTest : public QObject {
    Q_OBJECT
private slots:
    void serverRowsCarryNameStatusAndHiddenRefNo() {
        Harness h;
        h.net->connections = {{"FS1", 1, true}, {"FS1", 7, false}, {std::string(48, 'N'), 9}};
        QVERIFY(h.start());
        QTreeWidget* list = h.window->lstviewServers;
        QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("FS1"), QStringLiteral("FS1"),
                                               QString(48, QLatin1Char('N'))}));
        QCOMPARE(Column(list, 1),
                 (QStringList{QStringLiteral("Enabled"), QStringLiteral("Disabled"),
                              QStringLiteral("Enabled")}));
        QCOMPARE(Column(list, 2),
                 (QStringList{QStringLiteral(" 1"), QStringLiteral(" 7"), QStringLiteral(" 9")}));
        QVERIFY(list->isColumnHidden(2));
        QCOMPARE(list->headerItem()->text(2), QStringLiteral("RefNo"));
        // Row 0 is selected at start-up; its reference is read past the leading blank.
        QCOMPARE(h.window->SelectedServerConnRef(), 1u);
        // The first of two rows for the same server is the one the drive resolves to.
        QCOMPARE(h.window->GetConnRefOfServerHostingCurrentDrive(), 1u);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void failedOpenOrNameLookupNeverShowsThePreviousRow() {
        Harness h;
        h.net->connections = {
            {"FS1", 1, false}, {"FS2", 2, true, false}, {"FS3", 3, true, true, false}};
        QVERIFY(h.start());
        QTreeWidget* list = h.window->lstviewServers;
        QCOMPARE(Column(list, 1),
                 (QStringList{QStringLiteral("Disabled"), QStringLiteral("Unknown"),
                              QStringLiteral("Enabled")}));
        QCOMPARE(Column(list, 0),
                 (QStringList{QStringLiteral("FS1"), QStringLiteral("FS2"), QString()}));
        QCOMPARE(h.net->openHandles, 0);
    }

    void refillKeepsTheChosenServerSelected() {
        Harness h;
        h.net->connections = {{"FS1", 1}, {"FS2", 2}, {"FS3", 3}};
        QVERIFY(h.start());
        QTreeWidget* list = h.window->lstviewServers;
        list->setCurrentItem(list->topLevelItem(2));
        QCOMPARE(h.window->SelectedServerConnRef(), 3u);
        h.net->connections = {{"FS3", 3}, {"FS1", 1}};
        h.window->Timer1->fire();
        QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("FS3"), QStringLiteral("FS1")}));
        QCOMPARE(h.window->SelectedServerConnRef(), 3u);
        // The chosen server went away: no row is selected rather than another server.
        h.net->connections = {{"FS1", 1}};
        h.window->Timer1->fire();
        QVERIFY(h.window->SelectedServerRow() == nullptr);
        QCOMPARE(h.window->SelectedServerConnRef(), 0u);
    }

    void serverContextMenuFollowsTheSelectedRow() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstviewServers->setCurrentItem(w.lstviewServers->topLevelItem(1));  // FS2, disabled
        w.lstviewServers_MouseDown(Qt::RightButton, QPoint());
        QCOMPARE(w.lastPopup(), w.submnuServer);
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Enable &Logins"));
        w.lstviewServers->setCurrentItem(w.lstviewServers->topLevelItem(0));
        w.lstviewServers_MouseDown(Qt::RightButton, QPoint());
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Disable &Logins"));
    }

    void noServerMenuWithoutARowOrForTheLeftButton() {
        Harness h;
        h.net->connections.clear();
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstviewServers_MouseDown(Qt::RightButton, QPoint());
        QVERIFY(w.lastPopup() == nullptr);
        QCOMPARE(w.submnuDisableLogins->text(), QStringLiteral("Change &Login Status"));

        Harness h2;
        QVERIFY(h2.start());
        h2.window->lstviewServers->clearSelection();
        h2.window->lstviewServers_MouseDown(Qt::RightButton, QPoint());
        h2.window->lstviewServers_MouseDown(Qt::LeftButton, QPoint());
        QVERIFY(h2.window->lastPopup() == nullptr);
    }

    void columnClicksDoNotSort() {
        Harness h;
        h.net->connections = {{"ZED", 1}, {"ALPHA", 2}};
        QVERIFY(h.start());
        QTreeWidget* list = h.window->lstviewServers;
        QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                          QPoint(list->header()->sectionPosition(0) + 5, 5));
        QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("ZED"), QStringLiteral("ALPHA")}));
    }

    void driveRefreshAppendsNewDrivesAndRemovesStaleOnes() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QCOMPARE(Entries(w.lstDrives),
                 (QStringList{QStringLiteral("F:   [\\\\FS1\\SYS]"),
                              QStringLiteral("G:   [\\\\FS1\\DATA\\SHARED]")}));
        w.lstDrives->setCurrentRow(1);
        // E: is mapped while the program runs: it goes to the end, not into letter order.
        h.addDrive(5, "\\\\FS2\\VOL1", "vol/FS2/VOL1");
        w.TimerDrives->fire();
        QCOMPARE(w.lstDrives->item(2)->text(), QStringLiteral("E:   [\\\\FS2\\VOL1]"));
        QCOMPARE(w.lstDrives->currentRow(), 1);
        QCOMPARE(w.Dir1->path(), QStringLiteral("G:\\"));
        // Two stale neighbours go in one refresh; the selection keeps its index.
        h.net->drives.erase(6);
        h.net->drives.erase(7);
        h.addDrive(8, "\\\\FS2\\VOL2", "vol/FS2/VOL2");
        w.TimerDrives->fire();
        QCOMPARE(Entries(w.lstDrives), (QStringList{QStringLiteral("E:   [\\\\FS2\\VOL1]"),
                                                    QStringLiteral("H:   [\\\\FS2\\VOL2]")}));
        QCOMPARE(w.lstDrives->currentRow(), 1);
        QCOMPARE(w.Dir1->path(), QStringLiteral("H:\\"));
        QVERIFY(h.messages.shown.empty());
    }

    void refreshWithoutSelectionKeepsNone() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstDrives->setCurrentRow(-1);
        w.lstDrives->clearSelection();
        w.TimerDrives->fire();
        QCOMPARE(w.lstDrives->currentRow(), -1);
        QCOMPARE(w.lstDrives->count(), 2);
    }

    void losingEveryDriveDisablesTheBrowserAndTheUsersTimer() {
        Harness h;
        h.store->values = {{"AutoUpdateUsersStatus", "1"}, {"AutoUpdateUsersInterval", "5"}};
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QVERIFY(w.TimerUsers->isActive());
        h.net->drives.clear();
        w.TimerDrives->fire();
        QCOMPARE(w.lstDrives->count(), 0);
        QVERIFY(!w.TimerUsers->isActive());
        QVERIFY(!w.lstFiles->isEnabled() && !w.Dir1->isEnabled() && !w.lstDrives->isEnabled());
        QCOMPARE(h.messages.texts(),
                 QStringList{
                     QStringLiteral("Can't find any network drives, please login and try again.")});
        h.addDrive(6, "\\\\FS1\\SYS", "vol/FS1/SYS");
        w.TimerDrives->fire();
        QVERIFY(w.lstFiles->isEnabled());
        QVERIFY(w.TimerUsers->isActive());
    }

    void choosingADriveThatWasUnmappedMeanwhile() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        h.net->drives.erase(7);
        w.lstDrives->setCurrentRow(1);
        QCOMPARE(h.messages.shown.size(), size_t{1});
        QCOMPARE(h.messages.shown[0].title, QStringLiteral("Varnook"));
        QCOMPARE(h.messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(h.messages.shown[0].text.startsWith(QStringLiteral("Drive unavailable!\n\r\n\r")));
        QCOMPARE(w.Dir1->path(), QStringLiteral("F:\\"));
    }

    void aClickOnADriveRunsItsHandlerOnce() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        h.net->drives.erase(7);
        auto click = [&w](int row) {
            QTest::mouseClick(w.lstDrives->viewport(), Qt::LeftButton, {},
                              w.lstDrives->visualItemRect(w.lstDrives->item(row)).center());
        };
        auto unavailable = [&h] {
            return h.messages.texts().filter(QStringLiteral("Drive unavailable!")).size();
        };
        click(1);
        QCOMPARE(w.lstDrives->currentRow(), 1);
        QCOMPARE(unavailable(), 1);
        // The current drive clicked again: its handler runs again, once.
        click(1);
        QCOMPARE(unavailable(), 2);
        // Back to F: from the keyboard.
        QTest::keyClick(w.lstDrives, Qt::Key_Up);
        QCOMPARE(w.lstDrives->currentRow(), 0);
        QCOMPARE(w.Dir1->path(), QStringLiteral("F:\\"));
        QCOMPARE(unavailable(), 2);
    }

    void foldersFilesAndTheStatusBar() {
        Harness h;
        h.addFile("vol/FS1/SYS/PUBLIC/.hidden");
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QCOMPARE(Entries(w.lstFiles),
                 (QStringList{QStringLiteral("Autoexec.ncf"), QStringLiteral("readme.txt")}));
        w.lstFiles->setCurrentRow(1);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("F:\\readme.txt"));
        w.Dir1->setPath(QStringLiteral("F:\\PUBLIC"));
        QCOMPARE(Entries(w.lstFiles),
                 (QStringList{QStringLiteral(".hidden"), QStringLiteral("login.exe")}));
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("F:\\PUBLIC\\.hidden"));
        // The drive keeps its folder when the user comes back to it.
        w.lstDrives->setCurrentRow(1);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("G:\\Quarterly Report.xls"));
        w.lstDrives->setCurrentRow(0);
        QCOMPARE(w.Dir1->path(), QStringLiteral("F:\\PUBLIC"));
        // An empty folder keeps "Retrieving files...".
        QDir().mkpath(h.root + QStringLiteral("/vol/FS1/SYS/EMPTY"));
        w.Dir1->setPath(QStringLiteral("F:\\EMPTY"));
        QCOMPARE(w.lstFiles->count(), 0);
        QCOMPARE(w.StatusPanel1->text(), QStringLiteral("Retrieving files..."));
    }

    void fileListContextMenuSetsTheLockSource() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.state().LockFileSource = 3;
        w.lstFiles_MouseDown(Qt::RightButton, QPoint());
        QCOMPARE(w.state().LockFileSource, uint8_t{1});
        QCOMPARE(w.lastPopup(), w.submnuLocks);
    }

    void doubleClickLogsInDebugMode() {
        Harness h;
        h.commandLine = "/debug";
        QVERIFY(h.start());
        h.window->lstFiles_DblClick();
        QFile log(h.programFolder + QStringLiteral("/Varnook.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("\"Double clicked file : F:\\Autoexec.ncf\"\r\n"));
    }

    void userMenuRule() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.submnuUser_Click();
        for (QAction* a :
             {w.optionotherfiles, w.optionUserinfo, w.optionsendmsg, w.optionClearConn}) {
            QVERIFY(!a->isEnabled());
        }
        w.lstLoginIDs->addItem(QStringLiteral(" 12  JSMITH"));
        w.submnuUser_Click();
        for (QAction* a :
             {w.optionotherfiles, w.optionUserinfo, w.optionsendmsg, w.optionClearConn}) {
            QVERIFY(a->isEnabled());
        }
    }

    void menuTree() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QCOMPARE(w.mnuFile->title(), QStringLiteral("&File"));
        QCOMPARE(w.optionFileOpenedBy->text(), QStringLiteral("File &Opened By"));
        QCOMPARE(w.submnuLocks->title(), QStringLiteral("File &Locks"));
        QCOMPARE(w.optionLockInfo->text(), QStringLiteral("Lock &Info"));
        QCOMPARE(w.optionExit->text(), QStringLiteral("E&xit"));
        QCOMPARE(w.mnuOptions->title(), QStringLiteral("&Options"));
        QCOMPARE(w.submnuUser->title(), QStringLiteral("&User"));
        QCOMPARE(w.optionotherfiles->text(), QStringLiteral("&Other Files..."));
        QCOMPARE(w.submnuServer->title(), QStringLiteral("&Server"));
        QCOMPARE(w.submnuAllFiles->text(), QStringLiteral("All &Open Files"));
        QCOMPARE(w.submnuPref->text(), QStringLiteral("&Preferences..."));
        QCOMPARE(w.optionHelpContents->text(), QStringLiteral("&Help Contents"));
        QCOMPARE(w.optionAbout->text(), QStringLiteral("&About"));
        QCOMPARE(w.lstDrives->toolTip(), QStringLiteral("Network drives available."));
        QCOMPARE(w.lstLoginIDs->toolTip(),
                 QStringLiteral("List of users using the selected file."));
        QCOMPARE(w.cmd_scan->text(), QStringLiteral("&File opened by..."));
    }

    void windowIsEnlargedToTheMinimumAndLaidOut() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.resize(100, 100);
        QVERIFY(w.twipSize().width >= kMainMinWidth - 1);
        QVERIFY(w.twipSize().height >= kMainMinHeight - 1);
        // No larger than 6040 x 4000 (a pixel's rounding), unless the label above the server
        // list is taller than 240 twips; the controls stand where the layout puts them, the
        // buttons inside the window.
        const double dpi0 = LogicalDpi(&w);
        const double label2 = PixelsToTwips(w.Label2->height(), dpi0);
        QVERIFY2(w.twipSize().width <= kMainMinWidth + 15,
                 qPrintable(QString::number(w.twipSize().width)));
        QVERIFY2(
            w.twipSize().height <= std::max(kMainMinHeight, HeightForServerList(label2, 0)) + 15,
            qPrintable(QString::number(w.twipSize().height)));
        QCOMPARE(w.lstFiles->mapTo(w.centralWidget(), QPoint(0, 0)), QPoint(0, 0));
        QCOMPARE(w.lstviewServers->x(), TwipsToPixels(120, dpi0));
        QVERIFY(w.lstviewServers->height() >= 0);
        QVERIFY(w.cmd_Exit->mapTo(w.centralWidget(), QPoint(0, w.cmd_Exit->height())).y() <=
                w.centralWidget()->height());
        QVERIFY(w.cmd_scan->x() >= w.lstviewServers->geometry().right());
        w.resize(1600, 700);
        const double dpi = LogicalDpi(&w);
        QVERIFY(PixelsToTwips(w.lstviewServers->width(), dpi) <= 10000 + 15);
        QCOMPARE(PixelsToTwips(w.lstviewServers->columnWidth(1), dpi), 960.0);
        // Bottom edges of the buttons and the server list line up.
        QCOMPARE(w.cmd_Exit->geometry().bottom(), w.lstviewServers->geometry().bottom());
        QCOMPARE(w.cmd_scan->y(), w.cmd_Exit->y());
    }

    void minimisingCarriesTheResultWindowsAlong() {
        Harness h;
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        QWidget result;
        result.setWindowTitle(QStringLiteral("Varnook - All Logged In Users"));
        result.show();
        w.registerResultWindow(&result);
        result.setWindowState(Qt::WindowMaximized);
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(result.isMinimized());
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(result.windowState(), Qt::WindowMaximized);
    }

    // With VARNOOK_SCREENSHOT_DIR set, saves pictures of the window at its default and minimum
    // sizes for a person to look at.
    void screenshots() {
        const QByteArray dir = qgetenv("VARNOOK_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            QSKIP("VARNOOK_SCREENSHOT_DIR not set");
        }
        Harness h;
        h.net->connections = {{"FS1", 1, true}, {"FS2", 2, false}, {"ACCOUNTS", 3, true}};
        QVERIFY(h.start());
        frmVarnook& w = *h.window;
        w.lstLoginIDs->addItems({QStringLiteral(" 12  JSMITH"), QStringLiteral(" 14  MBROWN")});
        w.setStatusPanel(2, QStringLiteral(" 2 users have file open"));
        const QString out = QString::fromLocal8Bit(dir);
        QVERIFY(w.grab().save(out + QStringLiteral("/main-default.png")));
        w.resize(10, 10);
        QVERIFY(w.grab().save(out + QStringLiteral("/main-minimum.png")));
        h.messages.onModal = [&out](QDialog* d) -> int {
            d->grab().save(out + QLatin1Char('/') + d->objectName() + QStringLiteral(".png"));
            return QDialog::Rejected;
        };
        w.submnuPref_Click();
        w.optionAbout_Click();
    }
};

QTEST_MAIN(BrowserTest)
#include "tst_browser.moc"
