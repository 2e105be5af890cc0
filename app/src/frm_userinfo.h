// "Varnook - User information": what the server knows about the connection that is current in
// the users list in force, read afresh every second. Modal.
#pragma once

#include <QDialog>
#include <functional>

#include "messageservice.h"
#include "netclient/client.h"
#include "userlists.h"

class QLabel;
class QPushButton;
class QTimer;

namespace varnook {

class AppLogs;

class frm_UserInfo : public QDialog {
    Q_OBJECT
public:
    // list is asked again on every refresh, so the window always shows the connection that is
    // current in the users list at that moment.
    frm_UserInfo(nw::Client& client, std::function<UserListInForce()> list, AppLogs& logs,
                 MessageService& messages, QWidget* parent = nullptr);

    // The load event: the first refresh.
    void Form_Load();
    void RefreshUserInfo();
    // A tick of TimerUserInfo; skipped while one of this window's messages is up.
    void TimerUserInfo_Timer();

    QLabel* lblUsrNameText;
    QLabel* lblConnInUse;
    QLabel* lblConnInuseText;
    QLabel* lblStatus;
    QLabel* lblStatusTxt;
    QLabel* lblNetAdd;
    QLabel* lblNetAddText;
    QLabel* lblLoginTime;
    QLabel* lblLoginTimeText;
    QLabel* lblBytesRead;
    QLabel* lblBytesReadText;
    QLabel* lblBytesWritten;
    QLabel* lblBytesWrittenText;
    QLabel* lblOpenFiles;
    QLabel* lblOpenFileText;
    QLabel* lblFileLocks;
    QLabel* lblFileLocksText;
    QPushButton* cmd_OK;
    QLabel* Picture1;
    QTimer* TimerUserInfo;

private:
    void message(const QString& text, MsgIcon icon, const QString& title);

    nw::Client& client_;
    std::function<UserListInForce()> list_;
    AppLogs& logs_;
    MessageService& messages_;
    bool messageUp_ = false;
};

}  // namespace varnook
