// "Varnook - Send Message": the chosen connections and a message text; "Send" broadcasts it to
// all of them and each row then shows whether its station got it. The text box takes no more
// bytes than the server accepts. Modal; every send action builds a fresh window.
#pragma once

#include <QDialog>

#include "netclient/client.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace varnook {

struct AppState;
class AppLogs;
class MessageService;

class frm_SendMessage : public QDialog {
    Q_OBJECT
public:
    // Sends to the connections of state.SelectedConnNumbers (from entry 1, one per row of
    // lstvUsers) through the server of serverRef.
    frm_SendMessage(nw::Client& client, nw::NWCONN_REF serverRef, AppState& state, AppLogs& logs,
                    MessageService& messages, QWidget* parent = nullptr);

    void cmdSend_Click();
    void cmdCancel_Click();

    QLabel* lblSendMessage;
    QTreeWidget* lstvUsers;
    QLabel* Label1;
    QLineEdit* txtMessage;
    QLabel* lblSendTo;
    QPushButton* cmdSend;
    QPushButton* cmdCancel;
    QLabel* Picture1;

private:
    nw::Client& client_;
    nw::NWCONN_REF serverRef_;
    AppState& state_;
    AppLogs& logs_;
    MessageService& messages_;
};

}  // namespace varnook
