#include "applogs.h"

#include "ansi.h"
#include "core/appstate.h"
#include "core/logs.h"
#include "core/strtext.h"
#include "messageservice.h"
#include "texts.h"

namespace varnook {

void AppLogs::write(const std::string& path, const QString& text) {
    if (auto error = AppendLogRecord(path, ToAnsi(text))) {
        messages_.msgBox(nullptr,
                         QStringLiteral("Error: ") + QString::number(error->number) +
                             QLatin1Char(' ') + QString::fromStdString(error->description),
                         MsgButtons::OK, MsgIcon::None, ProgramTitle());
    }
}

void AppLogs::WriteDebugLog(const QString& text) {
    write(state_.DebugLogPath, text);
}

void AppLogs::WriteOutputLog(QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        text.truncate(nul);
    }
    write(state_.Prefs.OutputLogFileName, text);
}

void AppLogs::debug(const QString& text) {
    if (state_.DebugMode == 1) {
        WriteDebugLog(text);
    }
}

void AppLogs::output(QString text) {
    if (state_.Prefs.LogInfoToFile != 0) {
        WriteOutputLog(text);
    }
}

void AppLogs::FileBrowserError(int number, const QString& description) {
    messages_.msgBox(nullptr,
                     description + QStringLiteral("\r\nIf this keeps happening, please report it "
                                                  "to your network support team."),
                     MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Varnook error"));
    debug(QStringLiteral("Error: ") + QString::fromStdString(StrText(number)) +
          QStringLiteral("  ") + description);
}

bool ScanLogs::debugOn() const {
    return state_.DebugMode == 1;
}

void ScanLogs::debug(const std::string& text) {
    logs_.WriteDebugLog(FromAnsi(text));
}

bool ScanLogs::outputOn() const {
    return state_.Prefs.LogInfoToFile != 0;
}

void ScanLogs::output(const std::string& text) {
    QString line = FromAnsi(text);
    logs_.WriteOutputLog(line);
}

}  // namespace varnook
