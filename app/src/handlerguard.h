// Unexpected errors in the handlers Qt calls (menu entries, buttons, list signals, timer ticks,
// the browser's handlers). Every such handler runs inside a guard, so that whatever it throws is
// reported as the handler's own error handler would, and never reaches Qt's event loop, which
// cannot carry an exception.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace varnook {

class MessageService;

// An unexpected error in a handler: a number and a description, as the error boxes show them.
struct AppError {
    int number = 0;
    std::string description;
};

// Inside a catch (...) block: the error being handled, as an AppError (any other exception is
// error 51, "Internal error", with its own text).
AppError CurrentAppError();

// Runs handler; anything it throws goes to report, which runs inside the catch block (so that
// CurrentAppError() names the error). An exception thrown by report itself goes no further.
void RunGuarded(const std::function<void()>& handler, const std::function<void()>& report);

// The error box of a handler, inside a catch block: "Error <number> <description>", critical
// icon, OK button, the program's title.
void ReportHandlerError(MessageService& messages, QWidget* parent);

// A handler of a window, guarded with ReportHandlerError (for connections to Qt's signals).
std::function<void()> Guarded(MessageService& messages, QWidget* parent,
                              std::function<void()> handler);

}  // namespace varnook
