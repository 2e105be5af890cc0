#include "frmlogin.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ansi.h"
#include "messageservice.h"

namespace varnook {

frmLogin::frmLogin(const nw::PasswordQuestion& question, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Varnook - Login"));
    setModal(true);
    lblPrompt = new QLabel(QStringLiteral("Password for %1 on server %2:")
                               .arg(FromAnsi(question.user), FromAnsi(question.server)),
                           this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblRefusal = new QLabel(FromAnsi(question.refusal), this);
    lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
    lblRefusal->setVisible(question.again);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(255);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRefusal);
    layout->addWidget(lblPrompt);
    layout->addWidget(txtPassword);
    layout->addLayout(buttons);
}

bool AskPasswordInWindow(MessageService& messages, const nw::PasswordQuestion& question,
                         nw::PasswordEntry& entry, std::string& why) {
    frmLogin window(question);
    const bool accepted = messages.showModal(&window) == QDialog::Accepted;
    std::string typed = ToAnsi(window.txtPassword->text());
    window.txtPassword->clear();
    const bool fits = entry.append(typed);
    std::fill(typed.begin(), typed.end(), '\0');
    if (!accepted) {
        entry.clear();
        why = "cancelled";
        return false;
    }
    if (!fits) {
        why = "the password is longer than 255 bytes";
        return false;
    }
    return true;
}

}  // namespace varnook
