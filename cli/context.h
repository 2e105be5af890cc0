// What a command runs with: the streams, the NetWare client, the clock and the terminal, all
// injectable so that tests run commands in-process on networks made in code.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "errors.h"
#include "netclient/client.h"
#include "output.h"
#include "platform/variant.h"

namespace varnook::cli {

// Where the NetWare client comes from: the options that choose the back end.
struct ClientSource {
    std::string network;       // --network FILE: the in-process simulator
    std::string workstation;   // --workstation FILE: the wire
    std::string passwordFile;  // --password-file FILE
};

struct Environment {
    std::ostream& out;
    std::ostream& err;
    // The NetWare client, made usable on first use (the process client chooses its back end
    // then: the files given, else VARNOOK_WORKSTATION, else NWSIM_NETWORK, else the demo).
    // Throws CliError when it cannot be.
    std::function<nw::Client&(const ClientSource& source)> client;
    // Waits; answers false when the wait was interrupted (Ctrl-C).
    std::function<bool(std::chrono::milliseconds)> sleep;
    std::function<std::chrono::steady_clock::time_point()> now;
    // The local time as "2026-05-01T10:00:01", for the runs of a watched query.
    std::function<std::string()> wallClock;
    // Asks a yes/no question on the terminal; nullopt when there is no terminal to ask.
    std::function<std::optional<bool>(const std::string& question)> confirm;
    // A new volume control on the client's network (the program creates it by its ProgID through
    // the component runtime). Throws CliError when it cannot.
    std::function<vnk::com::ComPtr<vnk::com::IDispatch>(const ClientSource& source)>
        volumeControl{};
};

// The options every command shares.
struct Options {
    Format format = Format::Table;
    double watchSeconds = 0;  // 0: run once
    int count = 0;            // runs of a watched query; 0: until interrupted
    ClientSource source;
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

    // The error for a connection reference that would not open: the NetWare code, and why the
    // client could not open it (the server's address, no reply, a missing or wrong password).
    CliError OpenError(nw::NWCONN_REF ref, nw::NWCCODE code, const std::string& what);

private:
    const std::string& codePage();

    Environment& env_;
    Options options_;
    nw::Client* client_ = nullptr;
    std::string codePage_;
};

}  // namespace varnook::cli
