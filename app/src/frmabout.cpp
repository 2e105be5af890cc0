#include "frmabout.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/paths.h"
#include "handlerguard.h"
#include "messageservice.h"
#include "texts.h"

namespace varnook {

frmAbout::frmAbout(MessageService& messages, RegistryStringReader readRegistry, QWidget* parent)
    : QDialog(parent), messages_(messages), readRegistry_(std::move(readRegistry)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + ProgramTitle());
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    lblTitle = new QLabel(ProgramTitle(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(QStringLiteral("Version ") + VersionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(
        QStringLiteral("Shows who has a file open on a NetWare server, which files a connection "
                       "has open, and lets you act on connections and servers."),
        this);
    lblDescription->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("System Info"), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this,
            Guarded(messages_, this, [this] { cmdSysInfo_Click(); }));

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(text, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    resize(460, 150);
}

void frmAbout::cmdSysInfo_Click() {
    QString program;
    if (auto path = readRegistry_("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH")) {
        program = QString::fromStdString(*path);
    } else if (auto folder =
                   readRegistry_("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO")) {
        const QString candidate = QString::fromStdString(JoinLocal(*folder, "MSINFO32.EXE"));
        if (QFileInfo::exists(candidate)) {
            program = candidate;
        }
    }
    int number = 0;
    QString error;
    if (program.isEmpty() || !messages_.startProgram(program, {}, number, error)) {
        messages_.msgBox(this, QStringLiteral("System Information Is Unavailable At This Time"),
                         MsgButtons::OK, MsgIcon::None, ProgramTitle());
    }
}

}  // namespace varnook
