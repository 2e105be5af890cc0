// The queries about one file: who has it open (who-has, --wait-free) and the record locks on it.
#include <algorithm>
#include <memory>

#include "commands.h"
#include "core/connhandle.h"
#include "core/fileusers.h"
#include "core/locks.h"
#include "errors.h"
#include "query.h"
#include "target.h"

namespace varnook::cli {

namespace {

// The fields that name the file asked about: the argument as given, its server and volume path.
Fields FileFields(Context& ctx, const std::string& path, const FileTarget& target) {
    return {{"path", "", path},
            {"server", "Server", ctx.ToUtf8(target.server)},
            {"volumePath", "File", ctx.ToUtf8(target.volumePath)}};
}

CliError NotOnServer(Context& ctx, const FileTarget& target, nw::NWCCODE code) {
    return NetWareError(code, "cannot find " + ctx.ToUtf8(target.volumePath) + " on server " +
                                  ctx.ToUtf8(target.server));
}

// The users of a file; a file the server cannot find, or a scan that fails, ends the command.
FileUsersResult ScanUsers(Context& ctx, const FileTarget& target, FileUsersSink& sink) {
    const ConnHandle handle(ctx.client(), target.connRef);
    if (!handle.ok()) {
        throw ctx.OpenError(target.connRef, handle.result(),
                            "Error - couldn't get connection handle");
    }
    const FileUsersResult result =
        GetConnsUsingFile(ctx.client(), handle.get(), target.volumePath, sink);
    if (result.end == FileUsersResult::End::TranslationFailed) {
        throw NotOnServer(ctx, target, result.code);
    }
    if (result.end == FileUsersResult::End::ScanFailed) {
        throw NetWareError(result.code, kCouldntCountConnections);
    }
    return result;
}

const ReportShape kUsersShape{
    "who-has", "connections", {{"connection", "CONN", true}, {"user", "USER"}}};

std::vector<Cell> UserRow(Context& ctx, const FileUser& user) {
    return {static_cast<int64_t>(user.connNumber), ctx.ToUtf8(user.name)};
}

int WhoHas(Context& ctx, const std::string& path) {
    const FileTarget target = ResolveFile(ctx, path);
    return RunQuery(ctx, {kUsersShape, {0}}, [&](Emitter& e) {
        e.begin(FileFields(ctx, path, target));
        struct Rows final : FileUsersSink {
            Context& ctx;
            Emitter& e;
            Rows(Context& c, Emitter& em) : ctx(c), e(em) {}
            void user(const FileUser& user) override { e.row(UserRow(ctx, user)); }
        } rows(ctx, e);
        const FileUsersResult result = ScanUsers(ctx, target, rows);
        // The status text begins with the count as Str text: " 3 users have file open".
        const std::string status = result.StatusText();
        e.end({{"count", "", static_cast<int64_t>(result.reportedCount)}},
              status.substr(status.find_first_not_of(' ')));
        return 0;
    });
}

struct CollectedUsers final : FileUsersSink {
    void user(const FileUser& user) override { users.push_back(user); }
    std::vector<FileUser> users;
};

Cell Number(const std::string& strText) {
    return static_cast<int64_t>(std::stoll(strText));
}

int Locks(Context& ctx, const std::string& path) {
    const QuerySpec query{{"locks",
                           "locks",
                           {{"type", "LOCK TYPE"},
                            {"start", "START POS", true},
                            {"end", "END POS", true},
                            {"task", "TASK", true}}},
                          {0, 1, 2, 3}};
    const FileTarget target = ResolveFile(ctx, path);
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin(FileFields(ctx, path, target));
        const LockLookup lookup = LookUpFileLocks(ctx.client(), target.connRef, target.volumePath);
        if (lookup.failure == LockLookup::Failure::Open) {
            throw ctx.OpenError(
                target.connRef, lookup.result,
                "couldn't open a connection to server " + ctx.ToUtf8(target.server));
        }
        if (lookup.failure != LockLookup::Failure::None) {
            throw NotOnServer(ctx, target, lookup.result);
        }
        for (const LockRow& row : lookup.rows) {
            e.row({row.type, Number(row.start), Number(row.end), Number(row.task)});
        }
        e.end({{"count", "", static_cast<int64_t>(lookup.rows.size())}},
              ctx.ToUtf8(LockCountLabel(target.volumePath, lookup.rows.size())));
        return 0;
    });
}

}  // namespace

int WaitFree(Context& ctx, const std::string& path, std::optional<double> timeoutSeconds) {
    using Clock = std::chrono::steady_clock;
    const FileTarget target = ResolveFile(ctx, path);
    ReportShape shape = kUsersShape;
    shape.command = "wait-free";
    return RunAction(ctx, shape, [&](Emitter& e) {
        const Clock::time_point start = ctx.env().now();
        std::optional<Clock::duration> timeout;
        if (timeoutSeconds) {
            timeout = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(*timeoutSeconds));
        }
        // Look once a second, and once more when the time is up.
        const Clock::duration poll = std::chrono::seconds(1);
        int64_t polls = 0;
        std::string stop;
        CollectedUsers holders;
        for (;;) {
            holders.users.clear();
            ScanUsers(ctx, target, holders);
            ++polls;
            const Clock::duration waited = ctx.env().now() - start;
            if (holders.users.empty()) {
                break;
            }
            if (timeout && waited >= *timeout) {
                stop = "timed out";
                break;
            }
            const Clock::duration step = timeout ? std::min(poll, *timeout - waited) : poll;
            if (!ctx.env().sleep(std::chrono::ceil<std::chrono::milliseconds>(step))) {
                stop = "interrupted";
                break;
            }
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(ctx.env().now() - start);
        Fields head = FileFields(ctx, path, target);
        for (Field& f : head) {
            f.label.clear();
        }
        e.begin(head);
        for (const FileUser& user : holders.users) {
            e.row(UserRow(ctx, user));
        }
        const std::string file = ctx.ToUtf8(target.volumePath);
        const size_t n = holders.users.size();
        const std::string still = std::to_string(n) +
                                  (n == 1 ? " connection still has " : " connections still have ") +
                                  file + " open";
        e.end({{"free", "", stop.empty()},
               {"waitedMs", "", static_cast<int64_t>(waited.count())},
               {"polls", "", polls}},
              stop.empty() ? file + " is free." : still + ".");
        if (stop.empty()) {
            return static_cast<int>(kExitOk);
        }
        ctx.env().err << "varnook-cli: " << stop << " after " << waited.count() / 1000.0
                      << " s: " << still << '\n';
        return static_cast<int>(stop == "interrupted" ? kExitInterrupted : kExitNotFound);
    });
}

void AddFileCommands(CLI::App& app, Commands& commands) {
    auto path = std::make_shared<std::string>();
    CLI::App* whoHas = AddCommand(app, "who-has",
                                  "List the connections that have a file open, with the user "
                                  "logged in on each.",
                                  Kind::Query);
    AddPathArgument(whoHas, *path);
    commands.push_back({whoHas, [path](Context& ctx) { return WhoHas(ctx, *path); }});

    CLI::App* locks = AddCommand(app, "locks",
                                 "List the physical record locks on a file: lock type, byte "
                                 "range and task.",
                                 Kind::Query);
    AddPathArgument(locks, *path);
    commands.push_back({locks, [path](Context& ctx) { return Locks(ctx, *path); }});
}

}  // namespace varnook::cli
