// What the query scans (users of a file, files of a connection, the two server walks) need from
// their caller besides the NetWare client: where their log lines go, and how a long scan lets the
// caller's user interface run and stop it. Free of widgets.
#pragma once

#include <string>

namespace varnook {

// Where a query writes its diagnostic lines (the activity log) and its result lines (the output
// log). Texts are in the workstation's code page. A query asks debugOn() / outputOn() before it
// builds a line, so a log that is off costs nothing. The default writes nothing.
class QueryLog {
public:
    virtual ~QueryLog() = default;
    virtual bool debugOn() const { return false; }
    virtual void debug(const std::string& /*text*/) {}
    virtual bool outputOn() const { return false; }
    virtual void output(const std::string& /*text*/) {}
};

// How a long scan lets its caller stay responsive and stop it. keepGoing() is called between
// steps (before each connection number of a server walk and before each open file of a
// connection); it may run the caller's pending events and answers false to end the scan at once,
// before another row is written. The default never stops.
class ScanControl {
public:
    virtual ~ScanControl() = default;
    virtual bool keepGoing() { return true; }
};

// Shared instances of the defaults, for callers that want neither.
QueryLog& NoQueryLog();
ScanControl& NoScanControl();

}  // namespace varnook
