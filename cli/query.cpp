#include "query.h"

#include <chrono>
#include <cmath>
#include <memory>

#include "changes.h"
#include "errors.h"

namespace varnook::cli {

namespace {

// Passes one run's answer to its report; a watched run marks each row and adds the rows that
// are gone before the closing fields.
class RunEmitter final : public Emitter {
public:
    RunEmitter(Report& report, ChangeTracker* tracker) : report_(report), tracker_(tracker) {}

    void begin(const Fields& head) override {
        report_.begin(head);
        begun_ = true;
    }

    void row(std::vector<Cell> cells) override {
        const Change change = tracker_ != nullptr ? tracker_->mark(cells) : Change::None;
        report_.row(cells, change);
    }

    void end(const Fields& tail, const std::string& summary) override {
        if (tracker_ != nullptr) {
            for (const auto& gone : tracker_->finishRun()) {
                report_.row(gone, Change::Gone);
            }
        }
        report_.end(tail, summary);
        ended_ = true;
    }

    // Closes a document the query began but could not finish.
    void fail(const CliError& error) {
        if (begun_ && !ended_) {
            Fields tail{{"error", "", std::string(error.what())}};
            if (error.code() != 0) {
                tail.push_back({"errorCode", "", static_cast<int64_t>(error.code())});
            }
            report_.end(tail, "");
            ended_ = true;
        }
    }

private:
    Report& report_;
    ChangeTracker* tracker_;
    bool begun_ = false;
    bool ended_ = false;
};

int RunOne(Context& ctx, const ReportShape& shape, const RunInfo& info, ChangeTracker* tracker,
           const QueryFn& fn) {
    auto report = MakeReport(ctx.options().format, ctx.env().out, shape, info);
    RunEmitter emitter(*report, tracker);
    try {
        const int code = fn(emitter);
        ctx.env().out.flush();
        return code;
    } catch (const CliError& error) {
        emitter.fail(error);
        ctx.env().out.flush();
        throw;
    }
}

}  // namespace

int RunQuery(Context& ctx, const QuerySpec& query, const QueryFn& fn) {
    const Options& o = ctx.options();
    if (o.watchSeconds <= 0) {
        return RunOne(ctx, query.shape, RunInfo{}, nullptr, fn);
    }
    ChangeTracker tracker(query.keyColumns);
    // The parser keeps the interval between kMinWatchSeconds and kMaxWatchSeconds.
    const auto interval = std::chrono::milliseconds(std::llround(o.watchSeconds * 1000.0));
    for (int run = 1;; ++run) {
        const int code =
            RunOne(ctx, query.shape, RunInfo{run, ctx.env().wallClock()}, &tracker, fn);
        // Output that no longer arrives ends the watch (Run reports it).
        if (code != kExitOk || !ctx.env().out || (o.count > 0 && run >= o.count) ||
            !ctx.env().sleep(interval)) {
            return code;
        }
    }
}

void RefuseWatch(const Context& ctx, const std::string& command) {
    if (ctx.options().watchSeconds > 0) {
        throw CliError(kExitUsage,
                       "--watch repeats queries only; " + command + " is an action and runs once");
    }
}

int RunAction(Context& ctx, const ReportShape& shape, const QueryFn& fn) {
    RefuseWatch(ctx, shape.command);
    return RunOne(ctx, shape, RunInfo{}, nullptr, fn);
}

}  // namespace varnook::cli
