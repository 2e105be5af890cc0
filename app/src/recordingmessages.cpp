#include "recordingmessages.h"

#include <QDialog>
#include <QLabel>

namespace varnook {

void RecordingMessageService::record(const ShownMessage& message) {
    shown.push_back(message);
    if (onShown) {
        onShown(message);
    }
}

MsgAnswer RecordingMessageService::msgBox(QWidget*, const QString& text, MsgButtons buttons,
                                          MsgIcon icon, const QString& title) {
    record({ShownMessage::Kind::Box, title, text, icon, buttons});
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::OK;
}

int RecordingMessageService::showModal(QDialog* dialog) {
    QString text;
    if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("lblGenMsg"))) {
        text = label->text();
    }
    shown.push_back(
        {ShownMessage::Kind::Modal, dialog->windowTitle(), text, MsgIcon::None, MsgButtons::OK});
    if (onModal) {
        return onModal(dialog);
    }
    return QDialog::Rejected;
}

QString RecordingMessageService::saveFileName(QWidget*, const SaveFileRequest& request) {
    lastSaveRequest = request;
    record({ShownMessage::Kind::SaveDialog, request.title, request.presetName, MsgIcon::None,
            MsgButtons::OKCancel});
    if (fileNames.empty()) {
        return {};
    }
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

bool RecordingMessageService::startProgram(const QString& program, const QStringList& arguments,
                                           int& errorNumber, QString& errorText) {
    startedPrograms << (QStringList{program} + arguments).join(QLatin1Char('|'));
    record({ShownMessage::Kind::Program, program, arguments.join(QLatin1Char(' ')), MsgIcon::None,
            MsgButtons::OK});
    if (!programStarts) {
        errorNumber = 53;
        errorText = QStringLiteral("File not found");
    }
    return programStarts;
}

QStringList RecordingMessageService::texts() const {
    QStringList out;
    for (const auto& m : shown) {
        out << m.text;
    }
    return out;
}

}  // namespace varnook
