// The commands of varnook-cli. Each Add... function adds its sub-commands to the parser and
// records what runs when one of them was given.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "context.h"

namespace varnook::cli {

struct Command {
    CLI::App* sub = nullptr;
    std::function<int(Context&)> run;
};
using Commands = std::vector<Command>;

// Adds a sub-command whose help names the options it shares with every command: a query also
// takes --watch, an action does not.
enum class Kind { Query, Action };
CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     Kind kind);

// The positional arguments the commands share, all required.
void AddServerArgument(CLI::App* sub, std::string& server);
void AddConnArgument(CLI::App* sub, int& connection);                 // 0 to 65535
void AddConnsArgument(CLI::App* sub, std::vector<int>& connections);  // one or more
void AddPathArgument(CLI::App* sub, std::string& path);

void AddServerCommands(CLI::App& app, Commands& commands);      // servers, drives
void AddFileCommands(CLI::App& app, Commands& commands);        // who-has, locks
void AddServerViewCommands(CLI::App& app, Commands& commands);  // files-of, open-files, connections

// --wait-free PATH [--timeout SECONDS]: waits until no connection has the file open (exit 0), at
// most timeoutSeconds when given (then exit 2 with the connections that still have it open).
int WaitFree(Context& ctx, const std::string& path, std::optional<double> timeoutSeconds);
void AddActionCommands(CLI::App& app, Commands& commands);  // clear, send, logins, user-info
// volume info, ls, trustees, grant, revoke, irm, limits, limit, dirlimit, salvage, purge, mkdir,
// rm, mv, cp, attrib: through the volume control's objects
void AddVolumeCommands(CLI::App& app, Commands& commands);

}  // namespace varnook::cli
