// files-of, open-files and connections: the files one connection has open, every open file of a
// server, and every logged-in connection.
#include <algorithm>
#include <memory>

#include "commands.h"
#include "core/connfiles.h"
#include "core/connhandle.h"
#include "core/serverwalks.h"
#include "errors.h"
#include "query.h"
#include "target.h"

namespace varnook::cli {

namespace {

// A handle on the first connection to the server; failing to get one ends the command with the
// window's text.
class ServerHandle {
public:
    ServerHandle(Context& ctx, const ServerRow& server, const std::string& failure)
        : handle_(ctx.client(), server.connRef) {
        if (!handle_.ok()) {
            throw ctx.OpenError(server.connRef, handle_.result(), failure);
        }
    }
    nw::NWCONN_HANDLE get() const { return handle_.get(); }

private:
    ConnHandle handle_;
};

Cell Locks(const OpenFileRow& row) {
    return row.locks ? Cell{static_cast<int64_t>(*row.locks)} : Cell{};
}

Cell Count(size_t n) {
    return static_cast<int64_t>(n);
}

int FilesOf(Context& ctx, const std::string& serverName, uint16_t number) {
    const QuerySpec query{{"files-of", "files", {{"path", "FILE NAME"}, {"locks", "LOCKS", true}}},
                          {0}};
    const ServerRow server = ResolveServer(ctx, serverName);
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({{"server", "Server", ctx.ToUtf8(server.name)},
                 {"connection", "Connection", static_cast<int64_t>(number)}});
        const ServerHandle handle(ctx, server, "Error - Couldn't get connection handle!");
        struct Rows final : OpenFilesSink {
            Context& ctx;
            Emitter& e;
            Rows(Context& c, Emitter& em) : ctx(c), e(em) {}
            void file(const OpenFileRow& row) override {
                e.row({ctx.ToUtf8(row.fileText), Locks(row)});
            }
        } rows(ctx, e);
        const FilesByConnResult result = GetFilesByConn(ctx.client(), handle.get(), number, rows);
        if (result.scanFailed) {
            throw NetWareError(result.code, kCouldntCountFiles);
        }
        e.end({{"count", "", Count(static_cast<size_t>(result.count))}},
              std::to_string(result.count) + " files open");
        return 0;
    });
}

bool SameLetter(char a, char b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return lower(a) == lower(b);
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), SameLetter);
}

// A volume path prefix as the file texts spell it: "\" for "/", and "VOL:\" for "VOL:".
std::string PathPrefix(std::string prefix) {
    std::replace(prefix.begin(), prefix.end(), '/', '\\');
    const size_t colon = prefix.find(':');
    if (colon != std::string::npos && (colon + 1 == prefix.size() || prefix[colon + 1] != '\\')) {
        prefix.insert(colon + 1, "\\");
    }
    return prefix;
}

struct OpenFilesArgs {
    std::string server;
    std::string user;
    std::string path;
};

int OpenFiles(Context& ctx, const OpenFilesArgs& args) {
    const QuerySpec query{{"open-files",
                           "files",
                           {{"path", "FILE NAME"},
                            {"user", "USER NAME"},
                            {"connection", "CONN", true},
                            {"locks", "LOCKS", true}}},
                          {0, 2}};
    const ServerRow server = ResolveServer(ctx, args.server);
    const std::string user = ctx.FromUtf8(args.user, "--user");
    const std::string prefix = PathPrefix(ctx.FromUtf8(args.path, "--path"));
    const auto filter = [](const std::string& text) { return text.empty() ? Cell{} : Cell{text}; };
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({{"server", "Server", ctx.ToUtf8(server.name)},
                 {"user", "User", filter(args.user)},
                 {"pathPrefix", "Path", filter(ctx.ToUtf8(prefix))}});
        const ServerHandle handle(ctx, server,
                                  "Error opening connection to server " + ctx.ToUtf8(server.name));
        struct Rows final : AllOpenFilesSink {
            Context& ctx;
            Emitter& e;
            const std::string& user;
            const std::string& prefix;
            size_t shown = 0;
            Rows(Context& c, Emitter& em, const std::string& u, const std::string& p)
                : ctx(c), e(em), user(u), prefix(p) {}
            bool wantsFiles(const UserConnection& conn) override {
                return user.empty() ||
                       (conn.name.size() == user.size() && StartsWithIgnoringCase(conn.name, user));
            }
            void file(const UserConnection& conn, const OpenFileRow& row) override {
                if (!StartsWithIgnoringCase(row.fileText, prefix)) {
                    return;
                }
                e.row({ctx.ToUtf8(row.fileText), ctx.ToUtf8(conn.name),
                       static_cast<int64_t>(conn.connNumber), Locks(row)});
                ++shown;
            }
        } rows(ctx, e, user, prefix);
        const AllOpenFilesResult result = WalkAllOpenFiles(ctx.client(), handle.get(), rows);
        if (result.infoFailed) {
            throw NetWareError(
                result.code, "couldn't read the information of server " + ctx.ToUtf8(server.name));
        }
        e.end({{"count", "", Count(rows.shown)}}, "File count: " + std::to_string(rows.shown));
        return 0;
    });
}

const char* StatusOf(const ConnectedUser& user) {
    if (user.userInfoResult == nw::SUCCESSFUL) {
        return "Normal";
    }
    return user.userInfoResult == nw::USER_INFO_AUTHENTICATED ? "Authenticated"
                                                              : "Error: couldn't get info.";
}

int Connections(Context& ctx, const std::string& serverName) {
    const QuerySpec query{{"connections",
                           "connections",
                           {{"connection", "CONN", true}, {"user", "USER"}, {"status", "STATUS"}}},
                          {0}};
    const ServerRow server = ResolveServer(ctx, serverName);
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({{"server", "Server", ctx.ToUtf8(server.name)}});
        const ServerHandle handle(ctx, server, "Error opening server connection.");
        struct Rows final : ConnectedUsersSink {
            Context& ctx;
            Emitter& e;
            Rows(Context& c, Emitter& em) : ctx(c), e(em) {}
            void user(const ConnectedUser& user) override {
                e.row({static_cast<int64_t>(user.connNumber), ctx.ToUtf8(user.name),
                       std::string(StatusOf(user))});
            }
        } rows(ctx, e);
        // No table to fill here, so no limit on the rows.
        const ConnectedUsersResult result = GetAllConnectedUsers(ctx.client(), handle.get(), rows,
                                                                 NoQueryLog(), NoScanControl(), 0);
        if (result.infoFailed) {
            throw NetWareError(
                result.code, "couldn't read the information of server " + ctx.ToUtf8(server.name));
        }
        e.end({{"count", "", Count(result.rows)}}, std::to_string(result.rows) + " connections.");
        return 0;
    });
}

}  // namespace

void AddServerViewCommands(CLI::App& app, Commands& commands) {
    struct Args {
        std::string server;
        int connection = 0;
        OpenFilesArgs openFiles;
    };
    auto a = std::make_shared<Args>();

    CLI::App* filesOf = AddCommand(app, "files-of",
                                   "List the files one connection has open, with the number of "
                                   "physical locks on each.",
                                   Kind::Query);
    AddServerArgument(filesOf, a->server);
    AddConnArgument(filesOf, a->connection);
    commands.push_back({filesOf, [a](Context& ctx) {
                            return FilesOf(ctx, a->server, static_cast<uint16_t>(a->connection));
                        }});

    CLI::App* openFiles = AddCommand(app, "open-files",
                                     "List every file open on a server, one row per file and "
                                     "connection, with the user and its locks.",
                                     Kind::Query);
    AddServerArgument(openFiles, a->openFiles.server);
    openFiles->add_option("--user", a->openFiles.user, "Only the files of this user (any case)")
        ->option_text("NAME");
    openFiles
        ->add_option("--path", a->openFiles.path,
                     "Only files whose path begins with PREFIX (any case), e.g. DATA:SHARED")
        ->option_text("PREFIX");
    commands.push_back({openFiles, [a](Context& ctx) { return OpenFiles(ctx, a->openFiles); }});

    CLI::App* connections = AddCommand(
        app, "connections", "List the connections of logged-in users on a server.", Kind::Query);
    AddServerArgument(connections, a->server);
    commands.push_back({connections, [a](Context& ctx) { return Connections(ctx, a->server); }});
}

}  // namespace varnook::cli
