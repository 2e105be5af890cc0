// servers and drives: the workstation's connections and its NetWare drives.
#include "commands.h"
#include "core/drives.h"
#include "core/paths.h"
#include "core/servers.h"
#include "query.h"

namespace varnook::cli {

namespace {

int Servers(Context& ctx) {
    const QuerySpec query{{"servers",
                           "servers",
                           {{"server", "SERVER"}, {"login", "LOGIN STATUS"}, {"ref", "REF", true}}},
                          {2}};
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({});
        const std::vector<ServerRow> rows = ScanServers(ctx.client());
        for (const ServerRow& row : rows) {
            e.row({ctx.ToUtf8(row.name), std::string(row.LoginStatusText()),
                   static_cast<int64_t>(row.connRef)});
        }
        e.end({{"count", "", static_cast<int64_t>(rows.size())}},
              "Found " + std::to_string(rows.size()) + " servers.");
        return 0;
    });
}

int Drives(Context& ctx) {
    const QuerySpec query{{"drives",
                           "drives",
                           {{"drive", "DRIVE"},
                            {"server", "SERVER"},
                            {"volumePath", "VOLUME PATH"},
                            {"mapping", "MAPPING"}}},
                          {0}};
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({});
        nw::Client& client = ctx.client();
        NetWorkstation workstation(client);
        const std::vector<std::string> entries =
            EnumerateDrives([&](int d) { return NetWareDriveInformation(client, d); },
                            workstation.DriveListTexts());
        for (const std::string& entry : entries) {
            // Entries read "F:   [\\FS1\SYS\PUBLIC]"; the brackets hold the mapping.
            std::string server;
            std::string prefix;
            Cell serverCell;
            Cell prefixCell;
            Cell mappingCell;
            if (ParsePath(entry, server, prefix) == 0) {
                serverCell = ctx.ToUtf8(server);
                prefixCell = ctx.ToUtf8(prefix);
                const size_t open = entry.find('[');
                mappingCell = ctx.ToUtf8(entry.substr(open + 1, entry.size() - open - 2));
            }
            e.row({entry.substr(0, 2), serverCell, prefixCell, mappingCell});
        }
        e.end({{"count", "", static_cast<int64_t>(entries.size())}},
              entries.empty() ? "No NetWare drives." : "");
        return 0;
    });
}

}  // namespace

void AddServerCommands(CLI::App& app, Commands& commands) {
    commands.push_back({AddCommand(app, "servers",
                                   "List the servers the workstation is connected to, with their "
                                   "login status and connection reference.",
                                   Kind::Query),
                        Servers});
    commands.push_back({AddCommand(app, "drives",
                                   "List the workstation's NetWare drives with the server, volume "
                                   "path and mapping behind each.",
                                   Kind::Query),
                        Drives});
}

}  // namespace varnook::cli
