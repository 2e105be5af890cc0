#include "handlerguard.h"

#include <exception>

#include "ansi.h"
#include "messageservice.h"
#include "texts.h"

namespace varnook {

AppError CurrentAppError() {
    try {
        throw;
    } catch (const AppError& e) {
        return e;
    } catch (const std::exception& e) {
        return {51, std::string("Internal error: ") + e.what()};
    } catch (...) {
        return {51, "Internal error"};
    }
}

void RunGuarded(const std::function<void()>& handler, const std::function<void()>& report) {
    try {
        handler();
    } catch (...) {
        try {
            report();
        } catch (...) {  // NOLINT(bugprone-empty-catch): nothing is left to report it with
        }
    }
}

void ReportHandlerError(MessageService& messages, QWidget* parent) {
    const AppError e = CurrentAppError();
    messages.msgBox(parent,
                    QStringLiteral("Error ") + QString::number(e.number) + QLatin1Char(' ') +
                        FromAnsi(e.description),
                    MsgButtons::OK, MsgIcon::Critical, ProgramTitle());
}

std::function<void()> Guarded(MessageService& messages, QWidget* parent,
                              std::function<void()> handler) {
    return [&messages, parent, handler = std::move(handler)] {
        RunGuarded(handler, [&messages, parent] { ReportHandlerError(messages, parent); });
    };
}

}  // namespace varnook
