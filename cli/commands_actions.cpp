// clear, send, logins and user-info: the administrative actions on connections and servers, with
// the windows' per-connection results and error texts.
#include <algorithm>

#include "commands.h"
#include "core/broadcast.h"
#include "core/clearconn.h"
#include "core/loginstatus.h"
#include "core/userchoice.h"
#include "core/userinfo.h"
#include "errors.h"
#include "query.h"
#include "target.h"

namespace varnook::cli {

namespace {

constexpr const char* kOpenFailed = "Error opening server connection.";

std::string NumberList(const std::vector<uint16_t>& numbers) {
    std::string text;
    for (uint16_t n : numbers) {
        text += (text.empty() ? "" : ", ") + std::to_string(n);
    }
    return text;
}

// A Str text or plain decimal as a number; anything else (a failure text) as none.
Cell NumberCell(const std::string& text) {
    const std::string digits = TrimBlanks(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        digits.size() > 18) {
        return Cell{};
    }
    return static_cast<int64_t>(std::stoll(digits));
}

// A change to the server goes ahead when --yes was given or the terminal answers yes; without a
// terminal to ask, --yes is required.
void Confirm(Context& ctx, bool yes, const std::string& question, const std::string& command) {
    RefuseWatch(ctx, command);
    if (yes) {
        return;
    }
    const std::optional<bool> answer =
        ctx.env().confirm ? ctx.env().confirm(question) : std::nullopt;
    if (!answer) {
        throw CliError(kExitUsage, command + " changes the server; confirm it with --yes");
    }
    if (!*answer) {
        throw CliError(kExitUsage, command + ": cancelled, nothing was changed");
    }
}

// Reports the connections an action could not reach and answers the exit code. code is the
// NetWare code of the first failure, 0 when the failures have none.
int PartialFailure(Context& ctx, nw::NWCCODE code, size_t failed, size_t total,
                   const std::string& what) {
    if (failed == 0) {
        return kExitOk;
    }
    const std::string text =
        std::to_string(failed) + " of " + std::to_string(total) + " connections " + what;
    const CliError error = code != 0 ? NetWareError(code, text) : CliError(kExitNetWare, text);
    ctx.env().err << "varnook-cli: " << error.what() << '\n';
    return error.exitCode();
}

int Clear(Context& ctx, const std::string& serverName, const std::vector<uint16_t>& numbers,
          bool yes) {
    const ReportShape shape{
        "clear",
        "connections",
        {{"connection", "CONN", true}, {"result", "CONNECTION CLEARED ?"}, {"code", "CODE", true}}};
    const ServerRow server = ResolveServer(ctx, serverName);
    const std::string name = ctx.ToUtf8(server.name);
    Confirm(
        ctx, yes,
        "Clear the following connection(s) on server " + name + ": " + NumberList(numbers) + " ?",
        "clear");
    return RunAction(ctx, shape, [&](Emitter& e) {
        const ClearOutcome outcome = ClearConnections(ctx.client(), server.connRef, numbers);
        if (outcome.openResult != nw::SUCCESSFUL) {
            throw ctx.OpenError(server.connRef, outcome.openResult, kOpenFailed);
        }
        e.begin({{"server", "Server", name}});
        size_t cleared = 0;
        nw::NWCCODE firstFailure = nw::SUCCESSFUL;
        for (size_t i = 0; i < numbers.size(); ++i) {
            const nw::NWCCODE rc = outcome.results[i];
            e.row({static_cast<int64_t>(numbers[i]), std::string(ClearResultText(rc)),
                   static_cast<int64_t>(rc)});
            cleared += rc == nw::SUCCESSFUL;
            firstFailure = firstFailure == nw::SUCCESSFUL ? rc : firstFailure;
        }
        const size_t failed = numbers.size() - cleared;
        e.end({{"cleared", "", static_cast<int64_t>(cleared)},
               {"failed", "", static_cast<int64_t>(failed)}},
              "");
        return PartialFailure(ctx, firstFailure, failed, numbers.size(), "were not cleared");
    });
}

int Send(Context& ctx, const std::string& serverName, const std::vector<uint16_t>& numbers,
         const std::string& messageUtf8) {
    const ReportShape shape{
        "send",
        "connections",
        {{"connection", "CONN", true}, {"result", "SENT MESSAGE ?"}, {"code", "CODE", true}}};
    if (messageUtf8.empty()) {
        throw CliError(kExitUsage, "Please enter some text to send.");
    }
    const ServerRow server = ResolveServer(ctx, serverName);
    const std::string message = ctx.FromUtf8(messageUtf8, "the message");
    const size_t limit = BroadcastMessageLimit(ctx.client(), server.connRef);
    if (message.size() > limit) {
        throw CliError(kExitUsage, "the message is " + std::to_string(message.size()) +
                                       " bytes long; server " + ctx.ToUtf8(server.name) +
                                       " takes at most " + std::to_string(limit));
    }
    return RunAction(ctx, shape, [&](Emitter& e) {
        const BroadcastOutcome outcome =
            SendBroadcast(ctx.client(), server.connRef, message, numbers);
        if (outcome.openResult != nw::SUCCESSFUL) {
            throw ctx.OpenError(server.connRef, outcome.openResult, kOpenFailed);
        }
        if (outcome.result != nw::SUCCESSFUL) {
            throw NetWareError(outcome.result, BroadcastErrorText(outcome.result));
        }
        e.begin({{"server", "Server", ctx.ToUtf8(server.name)}, {"message", "", messageUtf8}});
        size_t sent = 0;
        for (size_t i = 0; i < numbers.size(); ++i) {
            const uint8_t result = outcome.results[i];
            e.row({static_cast<int64_t>(numbers[i]), std::string(BroadcastResultText(result)),
                   static_cast<int64_t>(result)});
            sent += result == nw::NW_BROADCAST_SENT;
        }
        const size_t failed = numbers.size() - sent;
        e.end({{"sent", "", static_cast<int64_t>(sent)},
               {"failed", "", static_cast<int64_t>(failed)}},
              "");
        return PartialFailure(ctx, 0, failed, numbers.size(), "did not get the message");
    });
}

int Logins(Context& ctx, const std::string& serverName, const std::string& action, bool yes) {
    const ReportShape shape{"logins", "servers", {{"server", "SERVER"}, {"login", "LOGIN STATUS"}}};
    const ServerRow server = ResolveServer(ctx, serverName);
    const std::string name = ctx.ToUtf8(server.name);
    if (action.empty()) {
        return RunQuery(ctx, {shape, {0}}, [&](Emitter& e) {
            const ServerRow now = ResolveServer(ctx, serverName);
            e.begin({});
            e.row({name, std::string(now.LoginStatusText())});
            e.end({}, "");
            return 0;
        });
    }
    const bool enable = action == "enable";
    Confirm(ctx, yes, LoginSwitchQuestion(enable, name), "logins " + action);
    return RunAction(ctx, shape, [&](Emitter& e) {
        const LoginSwitchOutcome outcome = SwitchServerLogins(ctx.client(), server.connRef, enable);
        if (outcome.openResult != nw::SUCCESSFUL) {
            throw ctx.OpenError(server.connRef, outcome.openResult, kOpenFailed);
        }
        if (outcome.result != nw::SUCCESSFUL) {
            std::string text = LoginSwitchFailureText(enable, name, outcome.result);
            text.replace(text.find("\r\n"), 2, "\n");
            throw NetWareError(outcome.result, text);
        }
        e.begin({});
        e.row({name, std::string(LoginStatusAfterSwitch(enable))});
        e.end({}, "");
        return 0;
    });
}

int UserInfo(Context& ctx, const std::string& serverName, uint16_t number) {
    const QuerySpec query{{"user-info",
                           "info",
                           {{"user", "User:"},
                            {"inUse", "Connection in use:"},
                            {"status", "Connection Status:"},
                            {"address", "Net Address:"},
                            {"loginTime", "Login Time:"},
                            {"bytesRead", "Bytes Read:", true},
                            {"bytesWritten", "Bytes Written:", true},
                            {"openFiles", "Open files:", true},
                            {"locks", "Total file locks:", true}},
                           true},
                          {0}};
    const ServerRow server = ResolveServer(ctx, serverName);
    return RunQuery(ctx, query, [&](Emitter& e) {
        const UserInfoReading r = ReadUserInfo(ctx.client(), server.connRef, number, "");
        if (r.openResult != nw::SUCCESSFUL) {
            throw ctx.OpenError(server.connRef, r.openResult, "Couldn't open connection.");
        }
        const bool read = r.userInfoResult == nw::SUCCESSFUL;
        const auto text = [&](const std::string& value) {
            return read ? Cell{ctx.ToUtf8(value)} : Cell{};
        };
        e.begin({{"server", "", ctx.ToUtf8(server.name)},
                 {"connection", "", static_cast<int64_t>(number)}});
        e.row({text(r.userName), text(r.connInUse), r.status,
               r.addressResult == nw::SUCCESSFUL ? Cell{r.netAddress} : Cell{}, text(r.loginTime),
               NumberCell(r.bytesRead), NumberCell(r.bytesWritten), NumberCell(r.openFiles),
               NumberCell(r.fileLocks)});
        e.end({}, "");
        int code = kExitOk;
        if (!read && r.userInfoResult != nw::USER_INFO_AUTHENTICATED) {
            const CliError error = NetWareError(
                r.userInfoResult, "couldn't get info on connection " + std::to_string(number));
            ctx.env().err << "varnook-cli: " << error.what() << '\n';
            code = error.exitCode();
        }
        if (read && r.openFileCount.failed) {
            ctx.env().err << "varnook-cli: " << kCouldntCountFiles << '\n';
            code = code == kExitOk ? static_cast<int>(kExitNetWare) : code;
        }
        if (r.addressResult != nw::SUCCESSFUL && code == kExitOk) {
            const CliError error =
                NetWareError(r.addressResult, NetAddressErrorText(r.addressResult));
            ctx.env().err << "varnook-cli: " << error.what() << '\n';
            code = error.exitCode();
        }
        return code;
    });
}

// Connection numbers as the parser reads them: 0 to 65535.
std::vector<uint16_t> Numbers(const std::vector<int>& values) {
    return std::vector<uint16_t>(values.begin(), values.end());
}

}  // namespace

void AddActionCommands(CLI::App& app, Commands& commands) {
    struct Args {
        std::string server;
        std::vector<int> connections;
        int connection = 0;
        std::string message;
        std::string action;
        bool yes = false;
    };
    auto a = std::make_shared<Args>();

    CLI::App* clear = AddCommand(
        app, "clear",
        "Clear connections on a server, reporting for each whether the server cleared it. Asks "
        "first on a terminal; give --yes in scripts.",
        Kind::Action);
    AddServerArgument(clear, a->server);
    AddConnsArgument(clear, a->connections);
    clear->add_flag("-y,--yes", a->yes, "Do not ask");
    commands.push_back({clear, [a](Context& ctx) {
                            return Clear(ctx, a->server, Numbers(a->connections), a->yes);
                        }});

    CLI::App* send = AddCommand(app, "send",
                                "Send a broadcast message to connections on a server, reporting "
                                "for each whether it was delivered.",
                                Kind::Action);
    AddServerArgument(send, a->server);
    AddConnsArgument(send, a->connections);
    send->add_option("-m,--message", a->message,
                     "The message (at most 250 bytes, 58 before NetWare 3.11)")
        ->required()
        ->option_text("TEXT");
    commands.push_back({send, [a](Context& ctx) {
                            return Send(ctx, a->server, Numbers(a->connections), a->message);
                        }});

    CLI::App* logins = AddCommand(app, "logins",
                                  "Show whether a server accepts logins, or enable or disable "
                                  "them. Switching asks first on a terminal; give --yes in "
                                  "scripts.",
                                  Kind::Action);
    AddServerArgument(logins, a->server);
    logins->add_option("ACTION", a->action, "enable or disable; none shows the status")
        ->check(CLI::IsMember({"enable", "disable"}));
    logins->add_flag("-y,--yes", a->yes, "Do not ask");
    commands.push_back(
        {logins, [a](Context& ctx) { return Logins(ctx, a->server, a->action, a->yes); }});

    CLI::App* info = AddCommand(app, "user-info",
                                "What the server knows about one connection: user, status, "
                                "address, login time, bytes read and written, open files, locks.",
                                Kind::Query);
    AddServerArgument(info, a->server);
    AddConnArgument(info, a->connection);
    commands.push_back({info, [a](Context& ctx) {
                            return UserInfo(ctx, a->server, static_cast<uint16_t>(a->connection));
                        }});
}

}  // namespace varnook::cli
