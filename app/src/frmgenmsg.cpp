#include "frmgenmsg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace varnook {

frmGenMsg::frmGenMsg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGenMsg"));
    setWindowTitle(QStringLiteral("Varnook Information"));
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    lblGenMsg = new QLabel(this);
    lblGenMsg->setObjectName(QStringLiteral("lblGenMsg"));
    lblGenMsg->setWordWrap(true);
    lblGenMsg->setMinimumWidth(280);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(lblGenMsg, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

}  // namespace varnook
