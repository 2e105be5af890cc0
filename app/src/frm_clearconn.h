// "Varnook - Clear Connection": the chosen connections, confirmed with "Clear" and cleared on the
// server one by one, each row then showing its result. The clear may be run again in the same
// window. Modal; every clear action builds a fresh window.
#pragma once

#include <QDialog>

#include "netclient/client.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace varnook {

struct AppState;
class MessageService;

class frm_ClearConn : public QDialog {
    Q_OBJECT
public:
    // Clears the connections of state.SelectedConnNumbers (from entry 1, one per row of
    // lstvUsers) on the server of serverRef.
    frm_ClearConn(nw::Client& client, nw::NWCONN_REF serverRef, AppState& state,
                  MessageService& messages, QWidget* parent = nullptr);

    void cmdYes_Click();
    void cmdNo_Click();

    QLabel* Label1;
    QTreeWidget* lstvUsers;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QLabel* Picture1;

private:
    nw::Client& client_;
    nw::NWCONN_REF serverRef_;
    AppState& state_;
    MessageService& messages_;
};

}  // namespace varnook
