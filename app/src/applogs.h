// The two log writers of the main program and the error boxes that go with them.
#pragma once

#include <QString>

#include "core/scanhooks.h"

namespace varnook {

struct AppState;
class MessageService;

class AppLogs {
public:
    AppLogs(AppState& state, MessageService& messages) : state_(state), messages_(messages) {}

    // Appends one record to the activity log. Callers test DebugMode first (or use debug()).
    void WriteDebugLog(const QString& text);
    // Cuts the text at its first NUL (the caller's text too), then appends one record to the
    // output log. Callers test LogInfoToFile first (or use output()).
    void WriteOutputLog(QString& text);

    // The same, only when the activity log / the output log is on.
    void debug(const QString& text);
    void output(QString text);

    // The file browser's box for an unexpected error, and its activity log record.
    void FileBrowserError(int number, const QString& description);

private:
    void write(const std::string& path, const QString& text);
    AppState& state_;
    MessageService& messages_;
};

// The query scans' log lines (workstation code page) into the two logs, each only while it is on.
class ScanLogs : public QueryLog {
public:
    ScanLogs(AppState& state, AppLogs& logs) : state_(state), logs_(logs) {}
    bool debugOn() const override;
    void debug(const std::string& text) override;
    bool outputOn() const override;
    void output(const std::string& text) override;

private:
    AppState& state_;
    AppLogs& logs_;
};

}  // namespace varnook
