// Every message box, modal window, file dialog and program start of Varnook goes through one
// MessageService, so that tests can answer them in advance and record what would have been shown.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace varnook {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo };
enum class MsgAnswer { OK, Cancel, Yes, No };

struct SaveFileRequest {
    QString title;
    QString presetName;
    QString filter;
    QString defaultSuffix;
    QString folder;
    bool promptOverwrite = true;
    bool pathMustExist = true;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // A message box; returns the button the user pressed.
    virtual MsgAnswer msgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                             const QString& title) = 0;
    // Shows a window modally; returns its result code.
    virtual int showModal(QDialog* dialog) = 0;
    // A save-file dialog; returns the chosen file, or an empty text when the user cancels.
    virtual QString saveFileName(QWidget* parent, const SaveFileRequest& request) = 0;
    // Starts a program with its arguments (each passed as one argument, never split at blanks).
    // Returns false with an error number and text when it cannot be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              int& errorNumber, QString& errorText) = 0;
};

// The real service: Qt message boxes, modal dialogs, the desktop's file dialog and QProcess.
class QtMessageService : public MessageService {
public:
    MsgAnswer msgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                     const QString& title) override;
    int showModal(QDialog* dialog) override;
    QString saveFileName(QWidget* parent, const SaveFileRequest& request) override;
    bool startProgram(const QString& program, const QStringList& arguments, int& errorNumber,
                      QString& errorText) override;
};

}  // namespace varnook
