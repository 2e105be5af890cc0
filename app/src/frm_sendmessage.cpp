#include "frm_sendmessage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <span>

#include "actionlists.h"
#include "ansi.h"
#include "applogs.h"
#include "core/appstate.h"
#include "core/broadcast.h"
#include "handlerguard.h"
#include "messageservice.h"
#include "twips.h"

namespace varnook {

frm_SendMessage::frm_SendMessage(nw::Client& client, nw::NWCONN_REF serverRef, AppState& state,
                                 AppLogs& logs, MessageService& messages, QWidget* parent)
    : QDialog(parent),
      client_(client),
      serverRef_(serverRef),
      state_(state),
      logs_(logs),
      messages_(messages) {
    setObjectName(QStringLiteral("frm_SendMessage"));
    setWindowTitle(QStringLiteral("Varnook - Send Message"));
    setModal(true);
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };
    setFixedSize(px(7560), px(4320));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    Picture1->move(px(150), px(150));
    lblSendMessage = new QLabel(QStringLiteral("Send a message to these user(s):"), this);
    lblSendMessage->setObjectName(QStringLiteral("lblSendMessage"));
    lblSendMessage->setGeometry(px(840), px(180), px(6600), px(255));
    lstvUsers = NewChosenUsersList(this);
    lstvUsers->setGeometry(px(840), px(540), px(6600), px(1920));
    Label1 = new QLabel(QStringLiteral("Message to send:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(px(840), px(2580), px(6600), px(255));
    txtMessage = new QLineEdit(this);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setGeometry(px(840), px(2880), px(6600), px(330));
    // The server takes so many bytes of the workstation code page, one per character.
    txtMessage->setMaxLength(static_cast<int>(BroadcastMessageLimit(client_, serverRef_)));
    lblSendTo = new QLabel(this);
    lblSendTo->setObjectName(QStringLiteral("lblSendTo"));
    lblSendTo->setGeometry(px(840), px(3270), px(6600), px(255));
    cmdSend = new QPushButton(QStringLiteral("&Send"), this);
    cmdSend->setObjectName(QStringLiteral("cmdSend"));
    cmdSend->setGeometry(px(4920), px(3720), px(1200), px(375));
    cmdSend->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(px(6240), px(3720), px(1200), px(375));
    connect(cmdSend, &QPushButton::clicked, this,
            Guarded(messages_, this, [this] { cmdSend_Click(); }));
    connect(cmdCancel, &QPushButton::clicked, this,
            Guarded(messages_, this, [this] { cmdCancel_Click(); }));
    txtMessage->setFocus();
}

void frm_SendMessage::cmdSend_Click() {
    const size_t n = std::min(static_cast<size_t>(lstvUsers->topLevelItemCount()),
                              state_.SelectedConnNumbers.size() - 1);
    const QString message = txtMessage->text();
    if (message.isEmpty()) {
        messages_.msgBox(this, QStringLiteral("Please enter some text to send."), MsgButtons::OK,
                         MsgIcon::Information, QStringLiteral("Varnook"));
    } else {
        const std::span<const uint16_t> numbers =
            std::span(state_.SelectedConnNumbers).subspan(1, n);
        const BroadcastOutcome out = SendBroadcast(client_, serverRef_, ToAnsi(message), numbers);
        if (out.openResult != nw::SUCCESSFUL) {
            messages_.msgBox(this, QStringLiteral("Error opening server connection."),
                             MsgButtons::OK, MsgIcon::None, QStringLiteral("Error !"));
        } else {
            PrepareResultColumn(lstvUsers, QStringLiteral("Sent Message ?"), 4.1);
            logs_.debug(QString::number(n) + QStringLiteral(" selected users."));
            for (const uint16_t number : numbers) {
                logs_.debug(QStringLiteral("Connection no ") + QString::number(number) +
                            QStringLiteral(" shifted down one"));
            }
            if (out.result == nw::SUCCESSFUL) {
                QStringList results;
                for (const uint8_t result : out.results) {
                    logs_.debug(QStringLiteral("Displaying result ") +
                                QString::number(results.size() + 1));
                    results << QString::fromLatin1(BroadcastResultText(result));
                }
                ShowResults(lstvUsers, results);
            } else {
                messages_.msgBox(this, QString::fromStdString(BroadcastErrorText(out.result)),
                                 MsgButtons::OK, MsgIcon::Exclamation,
                                 QStringLiteral("Varnook - Send message"));
            }
        }
    }
    cmdCancel->setText(QStringLiteral("E&xit"));
    cmdCancel->setDefault(true);
    cmdCancel->setFocus();
}

void frm_SendMessage::cmdCancel_Click() {
    reject();
}

}  // namespace varnook
