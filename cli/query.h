// Runs a query once or, with --watch, again and again, marking what changed since the last run.
#pragma once

#include <functional>
#include <vector>

#include "context.h"
#include "output.h"

namespace varnook::cli {

// What a query hands its answer to: the fields about the whole answer, the rows as they come,
// and the closing fields and summary line.
class Emitter {
public:
    virtual ~Emitter() = default;
    virtual void begin(const Fields& head) = 0;
    virtual void row(std::vector<Cell> cells) = 0;
    virtual void end(const Fields& tail, const std::string& summary) = 0;
};

struct QuerySpec {
    ReportShape shape;
    std::vector<size_t> keyColumns;  // what identifies a row from one run to the next
};

// Answers the exit code: 0, or the code of an answer that was written whole but reports a failure
// (a connection that could not be cleared).
using QueryFn = std::function<int(Emitter&)>;

// Runs fn once, or every --watch seconds until --count runs were made or the wait is
// interrupted. An error ends the runs: a document already begun is closed with the error's text
// and code ("error", "errorCode"), then the error goes on to the caller.
int RunQuery(Context& ctx, const QuerySpec& query, const QueryFn& fn);

// The same for an action, which never repeats: --watch is a usage error.
int RunAction(Context& ctx, const ReportShape& shape, const QueryFn& fn);

// The usage error of an action given --watch, for actions that check before they ask.
void RefuseWatch(const Context& ctx, const std::string& command);

}  // namespace varnook::cli
