// The main window: file browser (drives, folders, files), users of the selected file, connected
// servers, menus, the three refresh timers, start-up (Form_Load) and exit (cmd_Exit_Click).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "applogs.h"
#include "core/appstate.h"
#include "core/drives.h"
#include "core/layout.h"
#include "frmabout.h"
#include "handlerguard.h"
#include "netfacade.h"
#include "userlists.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnook {

class DirList;
class DriveList;
class MessageService;
class RefreshTimer;
class frm_AllFiles;
class frm_OtherFiles;
class frm_loggedin;

// Everything the main window takes from outside; tests build their own.
struct AppEnvironment {
    // The whole command line after the program name, arguments joined by one blank.
    std::string commandLine;
    // The program folder (the executable's folder).
    std::string programFolder;
    // The folder of the activity log and the default output log (see LogFolder); empty = the
    // program folder.
    std::string logFolder;
    MessageService* messages = nullptr;
    // Initialises the NetWare client; returns its completion code (0 = usable).
    std::function<uint32_t(std::unique_ptr<NetFacade>&)> NWCallsInit;
    // Why NWCallsInit failed (its network file, the place in it, what was expected), shown on a
    // second line under "NWCallsInit failed."; unset or empty: no second line.
    std::function<std::string()> NWCallsInitFailure;
    // Creates the one registry store object (class clsRegwick, by its ProgID). Throws AppError
    // when it cannot be created.
    std::function<std::unique_ptr<StringStore>()> createRegStore;
    // Creates the volume administration control as a child window of parent (by its ProgID);
    // null, with the reason in `why`, when it cannot be created. Unset: no control.
    std::function<QWidget*(QWidget* parent, std::string& why)> createVolumeControl;
    // Reads a string below HKEY_LOCAL_MACHINE (for the About window's System Info).
    RegistryStringReader readRegistry;
    // The folder of the desktop's helper programs; empty = where xdg-open lives.
    std::string windowsFolder;
};

class frmVarnook : public QMainWindow {
    Q_OBJECT
public:
    explicit frmVarnook(AppEnvironment env, QWidget* parent = nullptr);
    ~frmVarnook() override;

    // Start-up. Returns false when the program ends before its window is shown (the client
    // cannot be used, no NetWare drive, or it runs from one); the program then exits with a
    // failure status, having said why.
    bool Form_Load();
    void cmd_Exit_Click();
    void optionExit_Click() { cmd_Exit_Click(); }

    AppState& state() { return state_; }
    AppLogs& logs() { return logs_; }
    MessageService& messages() { return *env_.messages; }
    NetFacade* client() { return client_.get(); }
    Workstation* workstation();

    // ---- Controls --------------------------------------------------------------------------
    QListWidget* lstFiles;
    DirList* Dir1;
    QListWidget* lstDrives;
    QLabel* Label3;
    QListWidget* lstLoginIDs;
    QLabel* Label2;
    QTreeWidget* lstviewServers;
    QPushButton* cmd_scan;
    QPushButton* cmd_Exit;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel1;
    QLabel* StatusPanel2;
    QLabel* Label1;
    DriveList* Drive1;
    QListWidget* File1;
    // The volume administration control hosted on this window; its widget joins with the control.
    QWidget* Volmarra1 = nullptr;
    RefreshTimer* Timer1;
    RefreshTimer* TimerDrives;
    RefreshTimer* TimerUsers;

    // ---- Menus -----------------------------------------------------------------------------
    QMenu* mnuFile;
    QAction* optionFileOpenedBy;
    QMenu* submnuLocks;
    QAction* optionLockInfo;
    QAction* optionExit;
    QMenu* mnuOptions;
    QMenu* submnuUser;
    QAction* optionotherfiles;
    QAction* optionsendmsg;
    QAction* optionClearConn;
    QAction* optionUserinfo;
    QMenu* submnuServer;
    QAction* submnuAllusers;
    QAction* submnuDisableLogins;
    QAction* submnuAllFiles;
    QAction* submnuPref;
    QMenu* mnuHelp;
    QAction* optionHelpContents;
    QAction* optionAbout;

    // ---- Shell (start-up, layout, menus, timers, help) --------------------------------------
    void Form_Resize();
    void submnuUser_Click();
    void Timer1_Timer();
    void TimerDrives_Timer();
    void TimerUsers_Timer();
    void optionHelpContents_Click();
    void optionAbout_Click();
    void submnuPref_Click();
    void LoadPreferences();
    void setStatusPanel(int panel, const QString& text);
    // The last pop-up menu and where it was asked for (tests look at it).
    QMenu* lastPopup() const { return lastPopup_; }
    void popupMenu(QMenu* menu, const QPoint& globalPos);
    // The layout's idea of the window size (twips, frame included).
    TwipSize twipSize() const;

    // ---- Servers -----------------------------------------------------------------------------
    void FillServerList();
    void lstviewServers_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    // The connection reference of the selected server row, 0 without one.
    uint32_t SelectedServerConnRef() const;
    QTreeWidgetItem* SelectedServerRow() const;

    // ---- Drives and file browser --------------------------------------------------------------
    void RefreshDriveList();
    void lstDrives_Click();
    void Drive1_Change();
    void Dir1_Change();
    void lstFiles_Click();
    void lstFiles_DblClick();
    void lstFiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    // The full path of the selected file ("F:\DATA\name").
    QString SelectedFileFullPath() const;

    // ---- Path resolution ------------------------------------------------------------------
    uint32_t GetConnRefOfServerHostingCurrentDrive();

    // ---- Queries and actions (frmvarnook_actions.cpp) ------------------------------------
    void cmd_scan_Click();
    void optionFileOpenedBy_Click() { cmd_scan_Click(); }
    void optionLockInfo_Click();
    void optionotherfiles_Click();
    void optionsendmsg_Click();
    void optionClearConn_Click();
    void optionUserinfo_Click();
    void submnuAllusers_Click();
    void submnuDisableLogins_Click();
    void submnuAllFiles_Click();
    void WarnIfNoConsoleRights(uint32_t connRef);
    void lstLoginIDs_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void lstLoginIDs_DblClick();
    // Rows of the users list that UserListSource names.
    int UserListInForceCount() const;
    // The users list that UserListSource names: lstLoginIDs, or the all-connections window's
    // lstLoggedIn (nullptr before that window was first opened). Its rows describe entries
    // row + 1 of UserNames / UserConnNumbers, or of AllUserNames and the rows' item data; the
    // actions address AppState::UserActionConnRef().
    QListWidget* UserListWidgetInForce() const;

    // ---- The query scans and their windows (frmvarnook_actions.cpp) ------------------------
    // Users of a file into lstLoginIDs, UserNames, UserConnNumbers, the status bar and Label1.
    void GetConnsUsingFile(nw::NWCONN_HANDLE conn, const std::string& volumePath);
    // Files of a connection: display mode 1 fills frm_OtherFiles, any other frm_AllFiles (the
    // user name fills its "User Name" column). Returns the number of files listed.
    int GetFilesByConn(nw::NWCONN_HANDLE conn, uint16_t connNumber, const std::string& userName,
                       int displayMode);
    // The all-connections walk into frm_loggedin for the selected server.
    void GetAllConnectedUsers();
    // The same walk for a given server (its reference and name).
    void GetAllConnectedUsers(uint32_t ref, const QString& server);
    // The result windows; nullptr until first opened. Closed ones are kept (hidden and empty).
    frm_OtherFiles* OtherFilesWindow() const { return otherFiles_.get(); }
    frm_AllFiles* AllFilesWindow() const { return allFiles_.get(); }
    frm_loggedin* LoggedInWindow() const { return loggedIn_.get(); }

    // ---- Administrative actions (frmvarnook_admin.cpp) ----------------------------------
    // The users list that UserListSource names, as the user actions read it.
    UserListInForce userListInForce();
    // Chooses the connections an action on several users acts on (SelectedConnNumbers from
    // entry 1) and the texts their rows show; false, after nobodyText, when there is nobody.
    bool ChooseConnections(const UserListInForce& list, const QString& nobodyText,
                           QStringList& rowTexts);

    // The three secondary result windows (other files, all connections, all open files) join
    // here so that minimising and restoring the main window carries them along.
    void registerResultWindow(QWidget* window);

    // Every handler Qt calls runs through one of these guards: an exception it throws is shown
    // in the handler's error box (the file browser's box for the browser's handlers; the error
    // number and description otherwise, and in the activity log) and goes no further.
    void runGuarded(const std::function<void()>& handler);
    void runBrowserGuarded(const std::function<void()>& handler);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void setUpServerColumns();
    void applyLayout(const MainControls& c);
    // Puts the volume control on the window (once); the program starts without it when it
    // cannot be created.
    void HostVolumeControl();
    MainControls currentControls() const;
    void setBrowserEnabled(bool on);
    int DriveInformation(int drive);
    // A click on the drive list runs lstDrives_Click once: through the row change its press
    // makes, or, when the row was current already, through the click itself.
    void connectDriveList();
    // Minimising carries the result windows along; restoring brings back their states.
    void windowStateChanged();

    AppEnvironment env_;
    AppState state_;
    AppLogs logs_;
    std::unique_ptr<NetFacade> client_;
    QWidget* canvas_;
    QMenu* lastPopup_ = nullptr;
    bool exiting_ = false;
    bool firstServerFill_ = true;
    std::vector<QPointer<QWidget>> resultWindows_;
    std::vector<Qt::WindowStates> resultWindowStates_;
    // The query result windows, made on first use; they refer to state_.
    std::unique_ptr<frm_OtherFiles> otherFiles_;
    std::unique_ptr<frm_AllFiles> allFiles_;
    std::unique_ptr<frm_loggedin> loggedIn_;
    frm_OtherFiles& otherFilesWindow();
    frm_AllFiles& allFilesWindow();
    frm_loggedin& loggedInWindow();
    void reportHandlerError();
    bool allUsersRunning_ = false;
    bool drivePressed_ = false;            // the left button is down on the drive list
    bool driveRowChangedByPress_ = false;  // and its press changed the current drive
};

}  // namespace varnook
