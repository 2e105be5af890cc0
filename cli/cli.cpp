#include "cli.h"

#include <limits>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "errors.h"
#include "numbers.h"

namespace varnook::cli {

namespace {

constexpr const char* kExitStatus =
    R"(Exit status: 0 success, 1 usage error, 2 not found or timed out, 3 NetWare error (its code and
text on standard error), 4 the answer could not be written, 130 interrupted while waiting.)";

constexpr const char* kFooter = R"(PATH may be a drive path (F:\DATA\Report.xls), a NetWare path
(FS1/DATA:SHARED\Report.xls) or a UNC path (\\FS1\DATA\SHARED\Report.xls); "/" may stand for "\".
The servers are those of the workstation file named by VARNOOK_WORKSTATION (or --workstation),
reached over NCP/TCP; else the simulated network named by NWSIM_NETWORK (or --network); else the
demo network, served by the demo server nwsimd. Passwords come from the workstation file's
password file (or --password-file), else they are asked for on the terminal.)";

struct GlobalOptions {
    bool json = false;
    bool csv = false;
    double watch = 0;
    int count = 0;
    std::string network;
    std::string workstation;
    std::string passwordFile;
    std::string waitFree;
    double timeout = 0;
};

void AddGlobalOptions(CLI::App& app, GlobalOptions& g) {
    app.add_flag("--json", g.json, "Write one JSON document (see the schema file)");
    app.add_flag("--csv", g.csv, "Write CSV rows under a heading line");
    app.add_option("--watch", g.watch,
                   "Repeat the query every SECONDS and mark what changed since the last run")
        ->option_text("SECONDS")
        ->transform(Seconds(kMinWatchSeconds, kMaxWatchSeconds));
    app.add_option("--count", g.count, "With --watch: stop after N runs")
        ->option_text("N")
        ->transform(WholeNumber(1, std::numeric_limits<int>::max(), "the number of runs"));
    app.add_option("--wait-free", g.waitFree,
                   "Wait until nobody has PATH open, then exit 0 (2 on timeout)")
        ->option_text("PATH");
    app.add_option("--timeout", g.timeout, "With --wait-free: give up after SECONDS")
        ->option_text("SECONDS")
        ->transform(Seconds(0, kMaxTimeoutSeconds));
    app.add_option("--network", g.network, "The simulated network file to use")
        ->check(CLI::ExistingFile)
        ->option_text("FILE");
    app.add_option("--workstation", g.workstation,
                   "The workstation file: the servers to reach over NCP/TCP")
        ->check(CLI::ExistingFile)
        ->option_text("FILE");
    app.add_option("--password-file", g.passwordFile,
                   "Passwords for the logins (lines SERVER USER PASSWORD; mode 0600)")
        ->check(CLI::ExistingFile)
        ->option_text("FILE");
}

// Checks what the parser cannot: options that belong together.
void CheckCombinations(const CLI::App& app, const GlobalOptions& g, bool commandGiven) {
    const bool waitFree = app.count("--wait-free") > 0;
    if (waitFree && commandGiven) {
        throw CliError(kExitUsage, "--wait-free waits on its own; give no command with it");
    }
    if (!waitFree && !commandGiven) {
        throw CliError(kExitUsage, "no command given\n" + app.help("", CLI::AppFormatMode::Normal));
    }
    if (app.count("--timeout") > 0 && !waitFree) {
        throw CliError(kExitUsage, "--timeout goes with --wait-free");
    }
    if (waitFree && g.watch > 0) {
        throw CliError(kExitUsage, "--watch repeats queries; --wait-free waits on its own");
    }
    if (!g.network.empty() && !g.workstation.empty()) {
        throw CliError(kExitUsage,
                       "--network (in-process) and --workstation (over the wire) exclude each "
                       "other; give one");
    }
    if (g.json && g.csv) {
        throw CliError(kExitUsage, "--json and --csv exclude each other; give one");
    }
    if (app.count("--count") > 0 && g.watch <= 0) {
        throw CliError(kExitUsage, "--count goes with --watch");
    }
}

}  // namespace

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     Kind kind) {
    CLI::App* sub = app.add_subcommand(name, description);
    sub->footer(std::string(kind == Kind::Query
                                ? "Also takes --json, --csv, --watch SECONDS [--count N] and "
                                  "--network FILE | --workstation FILE [--password-file FILE]."
                                : "Also takes --json, --csv and --network FILE | --workstation "
                                  "FILE [--password-file FILE].") +
                "\n\n" + kExitStatus);
    return sub;
}

void AddServerArgument(CLI::App* sub, std::string& server) {
    sub->add_option("SERVER", server, "A server the workstation is connected to")->required();
}

void AddConnArgument(CLI::App* sub, int& connection) {
    sub->add_option("CONN", connection, "A connection number")
        ->required()
        ->transform(WholeNumber(0, 65535, "a connection number"));
}

void AddConnsArgument(CLI::App* sub, std::vector<int>& connections) {
    sub->add_option("CONN", connections, "Connection numbers")
        ->required()
        ->transform(WholeNumber(0, 65535, "a connection number"));
}

void AddPathArgument(CLI::App* sub, std::string& path) {
    sub->add_option(
           "PATH", path,
           "The file: F:\\DIR\\FILE, SERVER/VOLUME:DIR\\FILE or \\\\SERVER\\VOLUME\\DIR\\FILE")
        ->required();
}

namespace {

// Parses the arguments and runs what they ask for.
int RunArguments(const std::vector<std::string>& args, Environment& env) {
    CLI::App app("Answers who has which file open on NetWare servers, and acts on connections.",
                 "varnook-cli");
    app.set_version_flag("--version", VARNOOK_VERSION_STRING);
    app.footer(std::string(kFooter) + "\n\n" + kExitStatus);
    app.fallthrough();
    app.require_subcommand(0, 1);
    GlobalOptions g;
    AddGlobalOptions(app, g);
    Commands commands;
    AddServerCommands(app, commands);
    AddFileCommands(app, commands);
    AddServerViewCommands(app, commands);
    AddActionCommands(app, commands);
    AddVolumeCommands(app, commands);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, env.out, env.err);
        return code == 0 ? kExitOk : kExitUsage;
    }

    const Command* chosen = nullptr;
    for (const Command& c : commands) {
        if (c.sub->parsed()) {
            chosen = &c;
        }
    }
    Options options;
    options.format = g.json ? Format::Json : g.csv ? Format::Csv : Format::Table;
    options.watchSeconds = g.watch;
    options.count = g.count;
    options.source = {g.network, g.workstation, g.passwordFile};
    Context ctx(env, options);
    try {
        CheckCombinations(app, g, chosen != nullptr);
        if (chosen != nullptr) {
            return chosen->run(ctx);
        }
        return WaitFree(
            ctx, g.waitFree,
            app.count("--timeout") > 0 ? std::optional<double>(g.timeout) : std::nullopt);
    } catch (const CliError& e) {
        env.err << "varnook-cli: " << e.what() << '\n';
        return e.exitCode();
    }
}

}  // namespace

int Run(const std::vector<std::string>& args, Environment& env) {
    const int code = RunArguments(args, env);
    // An answer that did not arrive (a full disk, a closed output) is a failure, whatever the
    // command did.
    env.out.flush();
    if (!env.out) {
        env.err << "varnook-cli: the answer could not be written to standard output (the disk is "
                   "full or the output was closed)\n";
        return code == kExitOk ? kExitOutput : code;
    }
    return code;
}

}  // namespace varnook::cli
