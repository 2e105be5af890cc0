// The activity log and the output log: one quoted record per call, file closed at once.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace varnook {

// Why a record could not be written: an error number and its description, as the log-writer
// error box shows them.
struct LogError {
    int number = 0;
    std::string description;
};

// The record of a text: the text between double quotation marks, then CR LF. Nothing is escaped.
std::string LogRecord(const std::string& text);

// Appends one record to the file at path, creating the file when it does not exist, and closes
// it again. Only a regular file is written: a named pipe, socket or device is refused at once,
// never waited on. Returns the error when the file cannot be opened or written; the record is
// then lost.
std::optional<LogError> AppendLogRecord(const std::string& path, const std::string& text);

// Cuts a text before its first NUL character.
void CutAtNul(std::string& text);

// "dd/mm/yyyy, hh:mm:ss".
std::string TimeStamp(const std::tm& t);

// The general date format: "dd/mm/yyyy hh:mm:ss".
std::string GeneralDate(const std::tm& t);

// Local time now.
std::tm LocalNow();

// Maps an errno value to the error number and description shown to the user.
LogError LogErrorFromErrno(int err);

}  // namespace varnook
