// A MessageService for tests and benchmarks: it answers from a queue and records what would have
// been shown. Modal windows are not run; a hook may look at (and fill in) each one instead.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "messageservice.h"

namespace varnook {

struct ShownMessage {
    enum class Kind { Box, Modal, SaveDialog, Program } kind = Kind::Box;
    QString title;
    QString text;  // box text; for a modal window its label text when it has one
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
};

class RecordingMessageService : public MessageService {
public:
    MsgAnswer msgBox(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon,
                     const QString& title) override;
    int showModal(QDialog* dialog) override;
    QString saveFileName(QWidget* parent, const SaveFileRequest& request) override;
    bool startProgram(const QString& program, const QStringList& arguments, int& errorNumber,
                      QString& errorText) override;

    // Answers for the next message boxes, first first; without one a box answers OK (or No).
    std::deque<MsgAnswer> answers;
    // Runs for each modal window instead of its event loop; its result is the window's result.
    std::function<int(QDialog*)> onModal;
    // The file name the next save dialogs return (empty = cancelled).
    std::deque<QString> fileNames;
    // Whether program starts succeed; the programs and arguments asked for.
    bool programStarts = true;
    QStringList startedPrograms;
    SaveFileRequest lastSaveRequest;

    // Runs as each message, window or dialog is recorded (a test may look at the program then).
    std::function<void(const ShownMessage&)> onShown;

    std::vector<ShownMessage> shown;
    // The shown texts only, in order.
    QStringList texts() const;
    void clear() { shown.clear(); }

private:
    void record(const ShownMessage& message);
};

}  // namespace varnook
