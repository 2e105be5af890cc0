#include "frm_clearconn.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <span>

#include "actionlists.h"
#include "core/appstate.h"
#include "core/clearconn.h"
#include "handlerguard.h"
#include "messageservice.h"
#include "twips.h"

namespace varnook {

frm_ClearConn::frm_ClearConn(nw::Client& client, nw::NWCONN_REF serverRef, AppState& state,
                             MessageService& messages, QWidget* parent)
    : QDialog(parent), client_(client), serverRef_(serverRef), state_(state), messages_(messages) {
    setObjectName(QStringLiteral("frm_ClearConn"));
    setWindowTitle(QStringLiteral("Varnook - Clear Connection"));
    setModal(true);
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };
    setFixedSize(px(7560), px(3480));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Picture1->move(px(150), px(150));
    Label1 = new QLabel(QStringLiteral("Clear the following connection(s):"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(px(840), px(180), px(6600), px(255));
    lstvUsers = NewChosenUsersList(this);
    lstvUsers->setGeometry(px(840), px(540), px(6600), px(2160));
    cmdYes = new QPushButton(QStringLiteral("C&lear"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdYes->setGeometry(px(4920), px(2880), px(1200), px(375));
    cmdNo = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdNo->setGeometry(px(6240), px(2880), px(1200), px(375));
    connect(cmdYes, &QPushButton::clicked, this,
            Guarded(messages_, this, [this] { cmdYes_Click(); }));
    connect(cmdNo, &QPushButton::clicked, this,
            Guarded(messages_, this, [this] { cmdNo_Click(); }));
}

void frm_ClearConn::cmdYes_Click() {
    state_.ConnectionsCleared = 1;
    const size_t n = std::min(static_cast<size_t>(lstvUsers->topLevelItemCount()),
                              state_.SelectedConnNumbers.size() - 1);
    const ClearOutcome out =
        ClearConnections(client_, serverRef_, std::span(state_.SelectedConnNumbers).subspan(1, n));
    if (out.openResult != nw::SUCCESSFUL) {
        messages_.msgBox(this, QStringLiteral("Error opening server connection."), MsgButtons::OK,
                         MsgIcon::None, QStringLiteral("Error !"));
    } else {
        PrepareResultColumn(lstvUsers, QStringLiteral("Connection Cleared ?"), 3.3);
        QStringList results;
        for (const nw::NWCCODE result : out.results) {
            results << QString::fromLatin1(ClearResultText(result));
        }
        ShowResults(lstvUsers, results);
    }
    cmdNo->setText(QStringLiteral("E&xit"));
    cmdNo->setDefault(true);
    cmdNo->setFocus();
}

void frm_ClearConn::cmdNo_Click() {
    reject();
}

}  // namespace varnook
