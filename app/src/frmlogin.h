// "Varnook - Login": the password of one connection the wire back end logs in with, asked at
// start-up for each connection whose password the password file lacks. Modal; the typed text
// goes straight into secret memory and the field is emptied.
#pragma once

#include <QDialog>
#include <string>

#include "netclient/passwords.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnook {

class MessageService;

class frmLogin : public QDialog {
    Q_OBJECT
public:
    frmLogin(const nw::PasswordQuestion& question, QWidget* parent = nullptr);

    QLabel* lblPrompt;   // "Password for JSMITH on server FS1:"
    QLabel* lblRefusal;  // "Wrong password." after a refusal, else hidden
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};

// Shows the login window through the message service and puts what was typed into entry.
// False (with why = "cancelled") when the person cancels.
bool AskPasswordInWindow(MessageService& messages, const nw::PasswordQuestion& question,
                         nw::PasswordEntry& entry, std::string& why);

}  // namespace varnook
