// What a command runs with: the streams, the NetWare client, the clock and the terminal, all
// injectable so that tests run commands in-process on networks made in code.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "netclient/client.h"
#include "output.h"
#include "platform/variant.h"

namespace varnook::cli {

struct Environment {
    std::ostream& out;
    std::ostream& err;
    // The NetWare client, made usable on first use (the process client loads its network then:
    // the network file given, else the one NWSIM_NETWORK names, else the demo network). Throws
    // CliError when it cannot be.
    std::function<nw::Client&(const std::string& network)> client;
    // Waits; answers false when the wait was interrupted (Ctrl-C).
    std::function<bool(std::chrono::milliseconds)> sleep;
    std::function<std::chrono::steady_clock::time_point()> now;
    // The local time as "2026-05-01T10:00:01", for the runs of a watched query.
    std::function<std::string()> wallClock;
    // Asks a yes/no question on the terminal; nullopt when there is no terminal to ask.
    std::function<std::optional<bool>(const std::string& question)> confirm;
    // A new volume control on the client's network (the program creates it by its ProgID through
    // the component runtime). Throws CliError when it cannot.
    std::function<vnk::com::ComPtr<vnk::com::IDispatch>(const std::string& network)>
        volumeControl{};
};

// The options every command shares.
struct Options {
    Format format = Format::Table;
    double watchSeconds = 0;  // 0: run once
    int count = 0;            // runs of a watched query; 0: until interrupted
    std::string network;      // --network FILE
};

class Context {
public:
    Context(Environment& env, Options options) : env_(env), options_(options) {}

    Environment& env() { return env_; }
    const Options& options() const { return options_; }
    nw::Client& client();

    // Texts of the NetWare client are in the workstation's code page; the terminal's are UTF-8.
    std::string ToUtf8(const std::string& codePageText);
    // Converts an argument; a character the code page cannot spell is a usage error naming what.
    std::string FromUtf8(const std::string& utf8, const std::string& what);

private:
    const std::string& codePage();

    Environment& env_;
    Options options_;
    nw::Client* client_ = nullptr;
    std::string codePage_;
};

}  // namespace varnook::cli
