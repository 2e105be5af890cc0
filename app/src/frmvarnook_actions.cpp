// The main window's file usage queries: users of a file (cmd_scan_Click), files of a connection
// (optionotherfiles_Click), all open files (submnuAllFiles_Click) and all connections
// (submnuAllusers_Click), with the users list's mouse handlers. The scans themselves live in
// core/ (fileusers.h, connfiles.h, serverwalks.h); these handlers open the connection, feed the
// windows and keep the module state.
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTreeWidget>

#include "ansi.h"
#include "browserwidgets.h"
#include "core/connhandle.h"
#include "core/fileusers.h"
#include "core/paths.h"
#include "core/serverwalks.h"
#include "core/strtext.h"
#include "eventpacer.h"
#include "frm_allfiles.h"
#include "frm_loggedin.h"
#include "frm_otherfiles.h"
#include "frmvarnook.h"
#include "messageservice.h"
#include "texts.h"

namespace varnook {

namespace {
QString Str(int64_t n) {
    return QString::fromStdString(StrText(n));
}

// Shows a result window in front (the offscreen platform of the tests has no stacking).
void ShowInFront(QWidget& window) {
    window.show();
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        window.raise();
        window.activateWindow();
    }
}

// Users of a file into the main window's list (added in one go) and the users tables.
class MainUsersSink : public FileUsersSink {
public:
    explicit MainUsersSink(AppState& state) : state_(state) {}
    void trace(const std::string& text, bool restart) override {
        trace_ = restart ? text : trace_ + text;
    }
    void user(const FileUser& user) override {
        StoreUserEntry(state_.UserNames, state_.UserConnNumbers, ++entries_, user.name,
                       user.connNumber);
        rows_ << FromAnsi(user.RowText());
    }
    const QStringList& rows() const { return rows_; }
    const std::string& traced() const { return trace_; }

private:
    AppState& state_;
    std::string trace_;
    QStringList rows_;
    size_t entries_ = 0;
};

class OtherFilesSink : public OpenFilesSink {
public:
    explicit OtherFilesSink(frm_OtherFiles& window) : window_(window) {}
    void file(const OpenFileRow& row) override { window_.addFile(row); }

private:
    frm_OtherFiles& window_;
};

class AllFilesSink : public OpenFilesSink, public AllOpenFilesSink {
public:
    AllFilesSink(frm_AllFiles& window, std::string userName = {})
        : window_(window), userName_(std::move(userName)) {}
    void file(const OpenFileRow& row) override { window_.addFile(userName_, row); }
    void begin(uint16_t maxConns) override {
        window_.PBar1->setRange(1, std::max(1, maxConns - 1));
    }
    void file(const UserConnection& user, const OpenFileRow& row) override {
        window_.addFile(user.name, row);
    }
    void userDone(const UserConnection& user, const FilesByConnResult&) override {
        window_.setProgress(user.connNumber);
    }

private:
    frm_AllFiles& window_;
    std::string userName_;
};

class LoggedInSink : public ConnectedUsersSink {
public:
    LoggedInSink(frm_loggedin& window, AppState& state) : window_(window), state_(state) {}
    void user(const ConnectedUser& user) override {
        const std::string row = user.RowText();
        auto* item = new QListWidgetItem(FromAnsi(row));
        item->setData(Qt::UserRole, static_cast<int>(user.connNumber));
        window_.lstLoggedIn->addItem(item);
        StoreUserEntry(state_.AllUserNames, state_.AllUserConnNumbers, ++entries_, row,
                       user.connNumber);
    }

private:
    frm_loggedin& window_;
    AppState& state_;
    size_t entries_ = 0;
};
}  // namespace

// ---- Windows and helpers -------------------------------------------------------------------

frm_OtherFiles& frmVarnook::otherFilesWindow() {
    if (!otherFiles_) {
        otherFiles_ = std::make_unique<frm_OtherFiles>(*this);
        registerResultWindow(otherFiles_.get());
    }
    return *otherFiles_;
}

frm_AllFiles& frmVarnook::allFilesWindow() {
    if (!allFiles_) {
        allFiles_ = std::make_unique<frm_AllFiles>(*this);
        registerResultWindow(allFiles_.get());
    }
    return *allFiles_;
}

frm_loggedin& frmVarnook::loggedInWindow() {
    if (!loggedIn_) {
        loggedIn_ = std::make_unique<frm_loggedin>(*this);
        registerResultWindow(loggedIn_.get());
    }
    return *loggedIn_;
}

void frmVarnook::reportHandlerError() {
    ReportHandlerError(*env_.messages, this);
    const AppError e = CurrentAppError();
    logs_.debug(QStringLiteral("Error ") + Str(e.number) + QStringLiteral("  ") +
                FromAnsi(e.description));
}

QListWidget* frmVarnook::UserListWidgetInForce() const {
    if (state_.UserListSource == 1) {
        return lstLoginIDs;
    }
    return loggedIn_ ? loggedIn_->lstLoggedIn : nullptr;
}

int frmVarnook::UserListInForceCount() const {
    const QListWidget* list = UserListWidgetInForce();
    return list != nullptr ? list->count() : 0;
}

// ---- Users of a file --------------------------------------------------------------------------

void frmVarnook::cmd_scan_Click() {
    try {
        lstLoginIDs->clear();
        const QListWidgetItem* selected = lstFiles->count() > 0 ? lstFiles->currentItem() : nullptr;
        const std::string fileName = selected != nullptr ? ToAnsi(selected->text()) : std::string();
        const std::string driveText = Drive1->drive();
        // Only a drive mapped to a server ("f: [\\FS1\SYS]") has users to list.
        std::string server;
        std::string prefix;
        if (driveText.empty() || ParsePath(driveText, server, prefix) != 0) {
            env_.messages->msgBox(this, QStringLiteral("Can't do this on a local drive !"),
                                  MsgButtons::OK, MsgIcon::None, QStringLiteral("Error !"));
            return;
        }
        const uint32_t ref = GetConnRefOfServerHostingCurrentDrive();
        if (state_.DebugMode == 1) {
            const QTreeWidgetItem* row = SelectedServerRow();
            logs_.WriteDebugLog(QStringLiteral("(File Opened By button) highlighted server: ") +
                                (row != nullptr ? row->text(0) : QString()) +
                                QStringLiteral(" connref: ") + Str(ref));
        }
        state_.CurrentServerConnRef = ref;
        state_.MainUsersConnRef = ref;
        ConnHandle conn(client_->client(), ref);
        if (!conn.ok()) {
            env_.messages->msgBox(this, QStringLiteral("Error - couldn't get connection handle"),
                                  MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error !"));
        } else {
            const QChar letter = QChar::fromLatin1(driveText[0]).toUpper();
            logs_.debug(QStringLiteral("Selected drive letter: ") + letter);
            if (lstFiles->count() == 0) {
                env_.messages->msgBox(this, QStringLiteral("Please select a file"), MsgButtons::OK,
                                      MsgIcon::None, QStringLiteral("Error!"));
            } else {
                logs_.debug(QStringLiteral("Parsing ") + FromAnsi(driveText) +
                            QStringLiteral(" returned Server: ") + FromAnsi(server) +
                            QStringLiteral("  file path: ") + FromAnsi(prefix));
                const std::string dirPath = ToAnsi(Dir1->path());
                logs_.debug(QStringLiteral("Path in drive ") + letter + QStringLiteral(": ") +
                            FromAnsi(PathBelowDriveRoot(dirPath)));
                const std::string volumePath = VolumePathOfFile(prefix, dirPath, fileName);
                logs_.output(QStringLiteral("\r\nUsers with ") + FromAnsi(volumePath) +
                             QStringLiteral(" open are:"));
                logs_.debug(QStringLiteral("Checking file with parameters - conn handle: ") +
                            Str(conn.get()) + QStringLiteral("  server: ") + FromAnsi(server) +
                            QStringLiteral("  volume file path: ") + FromAnsi(volumePath));
                GetConnsUsingFile(conn.get(), volumePath);
                if (lstLoginIDs->count() == 0) {
                    lstLoginIDs->addItem(QString::fromLatin1(kNoUsersListed));
                    optionUserinfo->setEnabled(false);
                } else {
                    optionUserinfo->setEnabled(true);
                }
            }
        }
        if (lstLoginIDs->count() > 0) {
            lstLoginIDs->setCurrentRow(0);
        }
    } catch (...) {
        reportHandlerError();
    }
}

void frmVarnook::GetConnsUsingFile(nw::NWCONN_HANDLE conn, const std::string& volumePath) {
    lstLoginIDs->clear();
    MainUsersSink sink(state_);
    ScanLogs log(state_, logs_);
    const FileUsersResult result =
        varnook::GetConnsUsingFile(client_->client(), conn, volumePath, sink, log);
    lstLoginIDs->addItems(sink.rows());
    Label1->setText(FromAnsi(sink.traced()));
    setStatusPanel(2, FromAnsi(result.StatusText()));
}

void frmVarnook::lstLoginIDs_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton || lstLoginIDs->count() == 0 ||
        lstLoginIDs->item(0)->text() == QLatin1String(kNoUsersListed)) {
        return;
    }
    state_.UserListSource = 1;
    for (QAction* a : {optionotherfiles, optionUserinfo, optionsendmsg, optionClearConn}) {
        a->setEnabled(true);
    }
    popupMenu(submnuUser, globalPos);
}

void frmVarnook::lstLoginIDs_DblClick() {
    // The double-clicked list is the one the action reads.
    state_.UserListSource = 1;
    optionotherfiles_Click();
}

// ---- Files of a connection -------------------------------------------------------------------

void frmVarnook::optionotherfiles_Click() {
    try {
        logs_.debug(QStringLiteral("\r\nGet user's other open files..."));
        const bool fromMain = state_.UserListSource == 1;
        logs_.debug(fromMain ? QStringLiteral("Called from main window.")
                             : QStringLiteral("Called from all users window."));
        const QListWidget* list = UserListWidgetInForce();
        const int count = list != nullptr ? list->count() : 0;
        // Without a selected row the action takes the first one; a placeholder row ("<No users
        // listed>", "Not available!") stands for nobody.
        const int row = count == 0 ? -1 : std::max(0, list->currentRow());
        if (count == 0 || !IsUserRow(ToAnsi(list->item(row)->text()))) {
            env_.messages->msgBox(this, QStringLiteral("Please select a user."), MsgButtons::OK,
                                  MsgIcon::Information, QStringLiteral("Error !"));
            return;
        }
        const auto entry = static_cast<size_t>(row) + 1;
        const std::vector<std::string>& names = fromMain ? state_.UserNames : state_.AllUserNames;
        const std::string name = entry < names.size() ? names[entry] : FixedWidthName("");
        const uint16_t number =
            fromMain ? (entry < state_.UserConnNumbers.size() ? state_.UserConnNumbers[entry] : 0)
                     : static_cast<uint16_t>(list->item(row)->data(Qt::UserRole).toInt());
        const uint32_t ref = state_.UserActionConnRef();

        frm_OtherFiles& window = otherFilesWindow();
        window.newGeneration();
        window.serverRef = ref;
        window.lbl_UserName->setText(QStringLiteral("User: ") + FromAnsi(name));
        logs_.output(QStringLiteral("Other files open by ") + FromAnsi(name) + QLatin1Char(':'));
        logs_.debug(window.lbl_UserName->text());
        logs_.debug(QStringLiteral("Connref: ") + Str(ref));
        window.prepare();
        window.lblOtherFiles->setText(QStringLiteral("File Count: <n/a>"));
        ShowInFront(window);
        state_.LockFileSource = 2;
        logs_.debug(QStringLiteral("User conn no: ") + Str(number));

        ConnHandle conn(client_->client(), ref);
        if (!conn.ok()) {
            env_.messages->msgBox(this, QStringLiteral("Error - Couldn't get connection handle!"),
                                  MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error !"));
            window.close();
            return;
        }
        GetFilesByConn(conn.get(), number, std::string(), 1);
    } catch (...) {
        reportHandlerError();
    }
}

int frmVarnook::GetFilesByConn(nw::NWCONN_HANDLE conn, uint16_t connNumber,
                               const std::string& userName, int displayMode) {
    ScanLogs log(state_, logs_);
    FilesByConnResult result;
    try {
        if (displayMode == 1) {
            frm_OtherFiles& window = otherFilesWindow();
            const uint64_t generation = window.generation();
            OtherFilesSink sink(window);
            EventPacer pacer([&] { return window.generation() == generation; },
                             [&] { window.flush(); });
            result = varnook::GetFilesByConn(client_->client(), conn, connNumber, sink, log, pacer);
            if (result.stopped) {
                return result.count;
            }
            window.flush();
            window.lblOtherFiles->setText(result.scanFailed
                                              ? QString::fromLatin1(kCouldntCountFiles)
                                              : Str(result.count) + QStringLiteral(" files open"));
        } else {
            frm_AllFiles& window = allFilesWindow();
            const uint64_t generation = window.generation();
            AllFilesSink sink(window, userName);
            EventPacer pacer([&] { return window.generation() == generation; },
                             [&] { window.flush(); });
            result = varnook::GetFilesByConn(client_->client(), conn, connNumber, sink, log, pacer);
            if (!result.stopped) {
                window.flush();
                window.lblMsg->setText(
                    result.scanFailed ? QString::fromLatin1(kCouldntCountFiles)
                                      : QStringLiteral("Retrieving open files, please wait..."));
            }
        }
    } catch (...) {
        // A run-time failure ends the scan; the rows listed so far stay.
        const AppError e = CurrentAppError();
        logs_.debug(QStringLiteral("Error ") + Str(e.number) + QStringLiteral("  ") +
                    FromAnsi(e.description));
    }
    return result.count;
}

// ---- All open files on a server ---------------------------------------------------------------

void frmVarnook::submnuAllFiles_Click() {
    try {
        if (state_.AllFilesRunning != 0 && allFiles_) {
            // One walk at a time: the running one keeps its window.
            ShowInFront(*allFiles_);
            return;
        }
        const QTreeWidgetItem* row = SelectedServerRow();
        if (row == nullptr) {
            env_.messages->msgBox(this, QStringLiteral("Please select a server."), MsgButtons::OK,
                                  MsgIcon::None, QStringLiteral("Error !"));
            return;
        }
        const QString server = row->text(0);
        const uint32_t ref = ReadRefNo(ToAnsi(row->text(2)));
        logs_.debug(QStringLiteral("Selected server: ") + server);
        logs_.output(QStringLiteral("\r\nAll files open on server ") + server + QLatin1Char(':'));

        frm_AllFiles& window = allFilesWindow();
        const uint64_t generation = window.newGeneration();
        window.prepare(server);
        ShowInFront(window);
        state_.LockFileSource = 3;
        state_.AllFilesRunning = 1;
        QCoreApplication::processEvents();
        auto current = [&] { return window.generation() == generation; };
        if (!current()) {
            return;  // closed before the walk began
        }

        state_.LockServerConnRef = ref;
        logs_.debug(QStringLiteral("Conn ref of server: ") + Str(ref));
        ConnHandle conn(client_->client(), ref);
        if (!conn.ok()) {
            env_.messages->msgBox(this,
                                  QStringLiteral("Error opening connection to server ") + server,
                                  MsgButtons::OK, MsgIcon::None, QStringLiteral("Error !"));
            window.addFile(std::string(), OpenFileRow{kNotAvailable, std::nullopt, false, {}});
            logs_.debug(QStringLiteral("NWCCOpenConnByRef returned: ") + Str(conn.result()));
        } else {
            AllFilesSink sink(window);
            ScanLogs log(state_, logs_);
            EventPacer pacer([&] { return state_.AllFilesRunning != 0 && current(); },
                             [&] { window.flush(); });
            WalkAllOpenFiles(client_->client(), conn.get(), sink, log, pacer);
        }
        if (current()) {
            window.flush();
            window.PBar1->hide();
            window.lblMsg->clear();
            state_.AllFilesRunning = 0;
        }
    } catch (...) {
        state_.AllFilesRunning = 0;
        reportHandlerError();
    }
}

// ---- All connections on a server ---------------------------------------------------------------

void frmVarnook::submnuAllusers_Click() {
    try {
        const QTreeWidgetItem* row = SelectedServerRow();
        if (row == nullptr) {
            env_.messages->msgBox(this, QStringLiteral("Please select a server."), MsgButtons::OK,
                                  MsgIcon::None, QStringLiteral("Error !"));
            return;
        }
        state_.UserListSource = 2;
        state_.CurrentServerConnRef = ReadRefNo(ToAnsi(row->text(2)));
        ShowInFront(loggedInWindow());
        GetAllConnectedUsers();
    } catch (...) {
        reportHandlerError();
    }
}

void frmVarnook::GetAllConnectedUsers() {
    const QTreeWidgetItem* row = SelectedServerRow();
    if (row == nullptr) {
        return;
    }
    GetAllConnectedUsers(ReadRefNo(ToAnsi(row->text(2))), row->text(0));
}

void frmVarnook::GetAllConnectedUsers(uint32_t ref, const QString& server) {
    frm_loggedin& window = loggedInWindow();
    // A walk started while another one yields takes the window over; the older one stops.
    const uint64_t generation = window.newGeneration();
    auto current = [&] { return window.generation() == generation; };
    window.lstLoggedIn->clear();
    window.lblServerName->setText(server);
    logs_.output(QStringLiteral("\r\nAll users connected to server ") + server + QLatin1Char(':'));
    window.lblUserCount->setText(
        QStringLiteral("Please wait, attempting to retrieve connections..."));
    QCoreApplication::processEvents();
    if (!current()) {
        return;
    }

    state_.CurrentServerConnRef = ref;
    state_.AllUsersConnRef = ref;
    ConnHandle conn(client_->client(), ref);
    logs_.debug(QStringLiteral("Retrieving all logged in users..."));
    logs_.debug(QStringLiteral("Server: ") + window.lblServerName->text());
    logs_.debug(QStringLiteral("Conn ref: ") + Str(ref));
    if (!conn.ok()) {
        env_.messages->msgBox(this, QStringLiteral("Error opening server connection."),
                              MsgButtons::OK, MsgIcon::None, QStringLiteral("Error !"));
        logs_.debug(QStringLiteral("Error opening server connection: ") + Str(conn.result()));
        window.lstLoggedIn->addItem(QString::fromLatin1(kNotAvailable));
    } else {
        LoggedInSink sink(window, state_);
        ScanLogs log(state_, logs_);
        EventPacer pacer(current);
        const ConnectedUsersResult result =
            varnook::GetAllConnectedUsers(client_->client(), conn.get(), sink, log, pacer);
        if (result.stopped) {
            return;
        }
        if (result.reachedMax) {
            env_.messages->msgBox(this, QString::fromLatin1(kReachedMaxConnections), MsgButtons::OK,
                                  MsgIcon::None, QStringLiteral("Error !"));
        }
    }
    if (!current()) {
        return;
    }
    if (window.lstLoggedIn->count() > 0) {
        window.lstLoggedIn->setCurrentRow(0);
    }
    window.lblUserCount->setText(Str(window.lstLoggedIn->count()) +
                                 QStringLiteral(" connections."));
    QCoreApplication::processEvents();
}

}  // namespace varnook
