// frm_loggedin, "Varnook - All Logged In Users": every logged-in user connection of a server,
// filled by GetAllConnectedUsers. While it is the source of the user actions (UserListSource 2)
// the User menu acts on the rows selected here, on the server it was filled from.
#pragma once

#include "resultwindow.h"

class QListWidget;

namespace varnook {

class frmVarnook;

class frm_loggedin : public ResultWindow {
    Q_OBJECT
public:
    explicit frm_loggedin(frmVarnook& main);

    QLabel* Label1;  // "Server :"
    QLabel* lblServerName;
    QListWidget* lstLoggedIn;  // item data (Qt::UserRole): the connection number
    QLabel* lblUserCount;
    QPushButton* cmdOK;

    void cmdOK_Click();

protected:
    void onClose() override;

private:
    frmVarnook& main_;
};

}  // namespace varnook
