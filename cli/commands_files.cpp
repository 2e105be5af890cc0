// The queries about one file: the record locks on it.
#include "commands.h"
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

Cell Number(const std::string& strText) {
    return static_cast<int64_t>(std::stoll(strText));
}

int Locks(Context& ctx, const std::string& path) {
    const QuerySpec spec{{"locks",
                          "locks",
                          {{"type", "LOCK TYPE"},
                           {"start", "START POS", true},
                           {"end", "END POS", true},
                           {"task", "TASK", true}}},
                         {0, 1, 2, 3}};
    const FileTarget target = ResolveFile(ctx, path);
    return RunQuery(ctx, spec, [&](Emitter& e) {
        e.begin(FileFields(ctx, path, target));
        const LockLookup lookup = LookUpFileLocks(ctx.client(), target.connRef, target.volumePath);
        if (lookup.failure == LockLookup::Failure::Open) {
            throw NetWareError(lookup.result,
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

void AddFileCommands(CLI::App& app, Commands& commands) {
    auto path = std::make_shared<std::string>();
    CLI::App* locks = AddCommand(app, "locks",
                                 "List the physical record locks on a file: lock type, byte "
                                 "range and task.",
                                 Kind::Query);
    locks->add_option("PATH", *path, "The file")->required();
    commands.push_back({locks, [path](Context& ctx) { return Locks(ctx, *path); }});
}

}  // namespace varnook::cli
