// The main window's administrative actions: lock information, clearing connections, broadcast
// messages, the server login switch with the start-up's console rights check, and user
// information. The work itself is done by the Qt-free actions of core/; these handlers choose
// what to act on, open the action windows and report.
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include "actionlists.h"
#include "ansi.h"
#include "browserwidgets.h"
#include "core/locks.h"
#include "core/loginstatus.h"
#include "core/paths.h"
#include "core/servers.h"
#include "frm_allfiles.h"
#include "frm_clearconn.h"
#include "frm_lockinfo.h"
#include "frm_loggedin.h"
#include "frm_otherfiles.h"
#include "frm_sendmessage.h"
#include "frm_userinfo.h"
#include "frmgenmsg.h"
#include "frmvarnook.h"
#include "messageservice.h"
#include "texts.h"

namespace varnook {

namespace {
UserListView ViewOf(const QListWidget* list) {
    UserListView view;
    view.texts.reserve(static_cast<size_t>(list->count()));
    view.selected.reserve(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        view.texts.push_back(ToAnsi(item->text()));
        view.selected.push_back(item->isSelected());
    }
    view.current = list->currentRow();
    return view;
}
}  // namespace

UserListInForce frmVarnook::userListInForce() {
    UserListInForce list;
    list.source = state_.UserListSource;
    if (list.source == 1) {
        list.view = ViewOf(lstLoginIDs);
        list.serverRef = state_.MainUsersConnRef;
        list.connNumber = [this](int row) {
            const size_t entry = static_cast<size_t>(row) + 1;
            return entry < state_.UserConnNumbers.size()
                       ? static_cast<uint16_t>(state_.UserConnNumbers[entry])
                       : uint16_t{0};
        };
        list.storedName = [this](int row) {
            const size_t entry = static_cast<size_t>(row) + 1;
            return entry < state_.UserNames.size() ? state_.UserNames[entry] : std::string();
        };
    } else if (LoggedInWindow() != nullptr) {
        // The all-connections window: its rows carry their connection number, and the actions
        // go to the server it was filled from.
        const QListWidget* rows = LoggedInWindow()->lstLoggedIn;
        list.view = ViewOf(rows);
        list.serverRef = state_.AllUsersConnRef;
        list.connNumber = [rows](int row) {
            const QListWidgetItem* item = rows->item(row);
            return item != nullptr ? static_cast<uint16_t>(item->data(Qt::UserRole).toUInt())
                                   : uint16_t{0};
        };
        list.storedName = [this](int row) {
            const size_t entry = static_cast<size_t>(row) + 1;
            return entry < state_.AllUserNames.size() ? state_.AllUserNames[entry] : std::string();
        };
    }
    return list;
}

bool frmVarnook::ChooseConnections(const UserListInForce& list, const QString& nobodyText,
                                   QStringList& rowTexts) {
    const std::vector<int> rows = ChooseUserRows(list.view);
    if (rows.empty()) {
        messages().msgBox(this, nobodyText, MsgButtons::OK, MsgIcon::Information,
                          QStringLiteral("Error !"));
        return false;
    }
    if (state_.SelectedConnNumbers.size() < rows.size() + 1) {
        state_.SelectedConnNumbers.resize(rows.size() + 1);
    }
    rowTexts.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ChosenConnection chosen{list.connNumber(rows[i]),
                                      TrimBlanks(list.storedName(rows[i]))};
        state_.SelectedConnNumbers[i + 1] = chosen.number;
        rowTexts << FromAnsi(ChosenConnectionText(list.source, chosen));
    }
    return true;
}

// ---- Lock information ---------------------------------------------------------------------

void frmVarnook::optionLockInfo_Click() {
    try {
        QString fileName;
        QString serverName;
        std::string dosPath;
        nw::NWCONN_REF ref = 0;
        if (state_.LockFileSource == 1) {
            const QListWidgetItem* file = lstFiles->currentItem();
            if (file == nullptr) {
                messages().msgBox(this, QStringLiteral("Please select a file"), MsgButtons::OK,
                                  MsgIcon::None, QStringLiteral("Error!"));
                return;
            }
            std::string server;
            std::string prefix;
            ParsePath(Drive1->drive(), server, prefix);
            fileName =
                FromAnsi(VolumePathOfFile(prefix, ToAnsi(Dir1->path()), ToAnsi(file->text())));
            serverName = FromAnsi(server);
            ref = GetConnRefOfServerHostingCurrentDrive();
        } else {
            // A row of the other-files or all-open-files list: its real path, on the server the
            // list was filled from.
            const ResultListView* list = nullptr;
            if (state_.LockFileSource == 2 && OtherFilesWindow() != nullptr) {
                list = OtherFilesWindow()->lstvFiles;
                ref = OtherFilesWindow()->serverRef;
            } else if (state_.LockFileSource == 3 && AllFilesWindow() != nullptr) {
                list = AllFilesWindow()->lst_Files;
                ref = state_.LockServerConnRef;
            }
            const int row = list != nullptr ? list->currentRowIndex() : -1;
            dosPath = row >= 0 ? list->rows()->path(row) : std::string();
            if (dosPath.empty()) {
                messages().msgBox(this, QStringLiteral("Please select a file"), MsgButtons::OK,
                                  MsgIcon::None, QStringLiteral("Error!"));
                return;
            }
            fileName = list->rows()->text(row, 0);
            serverName = FromAnsi(ServerNameOfConnRef(client_->client(), ref));
        }

        const LockLookup found = dosPath.empty()
                                     ? LookUpFileLocks(client_->client(), ref, ToAnsi(fileName))
                                     : LookUpFileLocksByDosPath(client_->client(), ref, dosPath);
        switch (found.failure) {
            case LockLookup::Failure::Open:
                messages().msgBox(this, QStringLiteral("Error - couldn't get connection handle"),
                                  MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Error !"));
                return;
            case LockLookup::Failure::NSPath:
                logs_.debug(QStringLiteral("NWGetNSPath returned: ") +
                            QString::number(found.result));
                break;
            case LockLookup::Failure::LongName:
                logs_.debug(QStringLiteral("NWGetLongName returned: ") +
                            QString::number(found.result));
                break;
            case LockLookup::Failure::None:
                break;
        }
        frm_LockInfo window(this);
        window.ShowLocks(fileName, serverName, found.rows);
        messages().showModal(&window);
    } catch (...) {
        ReportHandlerError(messages(), this);
    }
}

// ---- Clear connection -----------------------------------------------------------------------

void frmVarnook::optionClearConn_Click() {
    try {
        state_.ConnectionsCleared = 0;
        const UserListInForce list = userListInForce();
        QStringList rows;
        if (!ChooseConnections(list,
                               list.source == 1 ? QStringLiteral("Please select a user ID.")
                                                : QStringLiteral("Please select a user."),
                               rows)) {
            return;
        }
        frm_ClearConn window(client_->client(), list.serverRef, state_, messages(), this);
        FillChosenUsers(window.lstvUsers, rows);
        messages().showModal(&window);
        if (state_.ConnectionsCleared != 0) {
            if (list.source == 1) {
                cmd_scan_Click();
            } else if (LoggedInWindow() != nullptr) {
                // The same server again, whichever server list row is selected now.
                GetAllConnectedUsers(list.serverRef, LoggedInWindow()->lblServerName->text());
            }
        }
    } catch (...) {
        ReportHandlerError(messages(), this);
    }
}

// ---- Broadcast message ----------------------------------------------------------------------

void frmVarnook::optionsendmsg_Click() {
    try {
        const UserListInForce list = userListInForce();
        QStringList rows;
        if (!ChooseConnections(list, QStringLiteral("Please select a user."), rows)) {
            return;
        }
        frm_SendMessage window(client_->client(), list.serverRef, state_, logs_, messages(), this);
        FillChosenUsers(window.lstvUsers, rows);
        window.lblSendTo->setText(QString());
        messages().showModal(&window);
    } catch (...) {
        ReportHandlerError(messages(), this);
    }
}

// ---- User information -----------------------------------------------------------------------

void frmVarnook::optionUserinfo_Click() {
    try {
        if (CurrentUserRow(userListInForce().view) < 0) {
            messages().msgBox(this, QStringLiteral("Please select a user."), MsgButtons::OK,
                              MsgIcon::Information, QStringLiteral("Error !"));
            return;
        }
        frm_UserInfo window(
            client_->client(), [this] { return userListInForce(); }, logs_, messages(), this);
        window.Form_Load();
        messages().showModal(&window);
    } catch (...) {
        ReportHandlerError(messages(), this);
    }
}

// ---- Server login status --------------------------------------------------------------------

void frmVarnook::submnuDisableLogins_Click() {
    try {
        const QTreeWidgetItem* row = SelectedServerRow();
        if (row == nullptr) {
            messages().msgBox(this, QStringLiteral("Please select a server."), MsgButtons::OK,
                              MsgIcon::None, QStringLiteral("Error !"));
            return;
        }
        const QString name = row->text(0);
        const uint32_t ref = ReadRefNo(ToAnsi(row->text(2)));
        const bool enable = AsksToEnableLogins(ToAnsi(row->text(1)));
        if (messages().msgBox(this, FromAnsi(LoginSwitchQuestion(enable, ToAnsi(name))),
                              MsgButtons::YesNo, MsgIcon::None,
                              QStringLiteral("Varnook - Login Status")) != MsgAnswer::Yes) {
            return;
        }
        const LoginSwitchOutcome out = SwitchServerLogins(client_->client(), ref, enable);
        if (out.openResult != nw::SUCCESSFUL) {
            messages().msgBox(this, QStringLiteral("Error opening server connection."),
                              MsgButtons::OK, MsgIcon::None, QStringLiteral("Error !"));
            return;
        }
        if (out.result == nw::SUCCESSFUL) {
            // The list may have been refilled while the question was up: the row of that
            // server now shows the new state.
            for (int i = 0; i < lstviewServers->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = lstviewServers->topLevelItem(i);
                if (ReadRefNo(ToAnsi(item->text(2))) == ref) {
                    item->setText(1, QString::fromLatin1(LoginStatusAfterSwitch(enable)));
                }
            }
            submnuDisableLogins->setText(QString::fromLatin1(LoginMenuCaptionAfterSwitch(enable)));
        } else {
            frmGenMsg message(this);
            message.lblGenMsg->setText(
                FromAnsi(LoginSwitchFailureText(enable, ToAnsi(name), out.result)));
            messages().showModal(&message);
        }
    } catch (...) {
        ReportHandlerError(messages(), this);
    }
}

void frmVarnook::WarnIfNoConsoleRights(uint32_t connRef) {
    const QTreeWidgetItem* row = SelectedServerRow();
    const QString server = row != nullptr ? row->text(0) : QString();
    switch (CheckConsoleRights(client_->client(), connRef)) {
        case ConsoleRights::Missing:
            messages().msgBox(this, FromAnsi(NoConsoleRightsWarning(ToAnsi(server))),
                              MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Warning !"));
            break;
        case ConsoleRights::InvalidConnection:
            messages().msgBox(this, FromAnsi(InvalidConnectionWarning()), MsgButtons::OK,
                              MsgIcon::Critical, QStringLiteral("Critical error"));
            break;
        case ConsoleRights::Granted:
        case ConsoleRights::NotChecked:
            break;
    }
}

}  // namespace varnook
