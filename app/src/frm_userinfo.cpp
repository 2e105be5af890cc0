#include "frm_userinfo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "ansi.h"
#include "applogs.h"
#include "core/strtext.h"
#include "core/userinfo.h"
#include "handlerguard.h"
#include "texts.h"

namespace varnook {

namespace {
QString Text(const std::string& s) {
    return FromAnsi(s);
}
}  // namespace

frm_UserInfo::frm_UserInfo(nw::Client& client, std::function<UserListInForce()> list, AppLogs& logs,
                           MessageService& messages, QWidget* parent)
    : QDialog(parent), client_(client), list_(std::move(list)), logs_(logs), messages_(messages) {
    setObjectName(QStringLiteral("frm_UserInfo"));
    setWindowTitle(QStringLiteral("Varnook - User information"));
    setModal(true);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    Picture1->setAlignment(Qt::AlignTop);
    lblUsrNameText = new QLabel(QStringLiteral("<n/a>"), this);
    lblUsrNameText->setObjectName(QStringLiteral("lblUsrNameText"));
    lblUsrNameText->setTextFormat(Qt::PlainText);
    QFont bold = lblUsrNameText->font();
    bold.setBold(true);
    lblUsrNameText->setFont(bold);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    int row = 0;
    auto pair = [this, grid, &row](QLabel*& caption, const char* captionName, const char* text,
                                   QLabel*& value, const char* valueName) {
        caption = new QLabel(QString::fromLatin1(text), this);
        caption->setObjectName(QString::fromLatin1(captionName));
        value = new QLabel(QStringLiteral("<n/a>"), this);
        value->setObjectName(QString::fromLatin1(valueName));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(caption, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    };
    pair(lblConnInUse, "lblConnInUse", "Connection in use:", lblConnInuseText, "lblConnInuseText");
    pair(lblStatus, "lblStatus", "Connection Status:", lblStatusTxt, "lblStatusTxt");
    pair(lblNetAdd, "lblNetAdd", "Net Address:", lblNetAddText, "lblNetAddText");
    pair(lblLoginTime, "lblLoginTime", "Login Time:", lblLoginTimeText, "lblLoginTimeText");
    pair(lblBytesRead, "lblBytesRead", "Bytes Read:", lblBytesReadText, "lblBytesReadText");
    pair(lblBytesWritten, "lblBytesWritten", "Bytes Written:", lblBytesWrittenText,
         "lblBytesWrittenText");
    pair(lblOpenFiles, "lblOpenFiles", "Open files:", lblOpenFileText, "lblOpenFileText");
    pair(lblFileLocks, "lblFileLocks", "Total file locks:", lblFileLocksText, "lblFileLocksText");
    grid->setColumnStretch(1, 1);

    cmd_OK = new QPushButton(QStringLiteral("&OK"), this);
    cmd_OK->setObjectName(QStringLiteral("cmd_OK"));
    cmd_OK->setDefault(true);
    connect(cmd_OK, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(lblUsrNameText);
    text->addSpacing(6);
    text->addLayout(grid);
    auto* top = new QHBoxLayout;
    top->addWidget(Picture1);
    top->addSpacing(10);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmd_OK);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    TimerUserInfo = new QTimer(this);
    TimerUserInfo->setObjectName(QStringLiteral("TimerUserInfo"));
    TimerUserInfo->setInterval(1000);
    connect(TimerUserInfo, &QTimer::timeout, this,
            Guarded(messages_, this, [this] { TimerUserInfo_Timer(); }));
    TimerUserInfo->start();
}

void frm_UserInfo::Form_Load() {
    RefreshUserInfo();
}

void frm_UserInfo::TimerUserInfo_Timer() {
    if (!messageUp_) {
        RefreshUserInfo();
    }
}

void frm_UserInfo::message(const QString& text, MsgIcon icon, const QString& title) {
    messageUp_ = true;
    messages_.msgBox(this, text, MsgButtons::OK, icon, title);
    messageUp_ = false;
}

void frm_UserInfo::RefreshUserInfo() {
    const UserListInForce list = list_();
    const int r = CurrentUserRow(list.view);
    if (r < 0) {
        message(QStringLiteral("Please select a user ID."), MsgIcon::None,
                QStringLiteral("Error !"));
        return;
    }
    const uint16_t number = list.connNumber(r);
    lblUsrNameText->setText(FromAnsi(list.view.texts[static_cast<size_t>(r)]));

    const UserInfoReading info =
        ReadUserInfo(client_, list.serverRef, number, QLocale().groupSeparator().toStdString());
    if (info.openResult != nw::SUCCESSFUL) {
        message(QStringLiteral("Couldn't open connection."), MsgIcon::None,
                QStringLiteral("Error !"));
        return;
    }
    if (info.userInfoResult == nw::SUCCESSFUL) {
        lblFileLocksText->setText(Text(info.fileLocks));
        lblOpenFileText->setText(Text(info.openFiles));
        if (info.openFileCount.lastResult != nw::SUCCESSFUL) {
            logs_.debug(QStringLiteral("Scan returned: ") +
                        Text(StrText(info.openFileCount.lastResult)));
        }
        lblConnInuseText->setText(Text(info.connInUse));
        lblLoginTimeText->setText(Text(info.loginTime));
        lblBytesReadText->setText(QString::fromStdString(info.bytesRead));
        lblBytesWrittenText->setText(QString::fromStdString(info.bytesWritten));
    }
    lblStatusTxt->setText(Text(info.status));
    if (info.userInfoResult != nw::SUCCESSFUL &&
        info.userInfoResult != nw::USER_INFO_AUTHENTICATED) {
        message(Text(UserInfoErrorText(info.userInfoResult)), MsgIcon::Exclamation,
                QStringLiteral("User Information - Error!"));
    }
    if (info.addressResult == nw::SUCCESSFUL) {
        lblNetAddText->setText(Text(info.netAddress));
    } else {
        message(Text(NetAddressErrorText(info.addressResult)), MsgIcon::None, ProgramTitle());
    }
}

}  // namespace varnook
