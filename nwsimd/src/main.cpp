// nwsimd NETWORK.json: serves every server of a network file over NCP/TCP until SIGTERM or
// SIGINT (see nwsimd.1 and the README's "Serving a network over NCP").
#include <CLI/CLI.hpp>
#include <asio.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "idleexit.h"
#include "loader.h"
#include "netclient/sim/loaderror.h"
#include "runtime.h"
#include "server.h"
#include "servermodel.h"
#include "workstationfile.h"

namespace {

using namespace nw;

constexpr int kExitFailure = 1;  // could not serve: state store, addresses, runtime folder
constexpr int kExitUsage = 2;    // bad command line or network file

const char* signingText(int level) {
    switch (level) {
        case 0:
            return "level 0: never signs";
        case 1:
            return "level 1: signs when the client asks";
        case 2:
            return "level 2: signs when the client asks";
        default:
            return "level 3: refuses logins that do not sign";
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Serves every server of a simulated NetWare network over NCP/TCP: each on its own "
        "address (servers[].listen, default 127.0.0.1 on a free port), announced on standard "
        "output and in $XDG_RUNTIME_DIR/varnook/<network>.servers.json. Runs until SIGTERM or "
        "SIGINT.",
        "nwsimd"};
    std::string networkFile;
    std::string capture;
    int signing = 1;
    double idleSeconds = 30;
    double exitWhenIdle = 0;
    app.add_option("NETWORK", networkFile, "the network file (JSON)")->required();
    app.add_option("--capture", capture,
                   "write what the servers send and receive to FILE as a pcap capture")
        ->type_name("FILE");
    app.add_option("--signing", signing, "packet signature level 0 to 3 (default 1)")
        ->check(CLI::Range(0, 3));
    app.add_option("--idle-timeout", idleSeconds,
                   "close a session that is not logged in after SECONDS without a request "
                   "(default 30)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.01, 86400.0));
    app.add_option("--exit-when-idle", exitWhenIdle,
                   "end after SECONDS without any client (the per-user demo server)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.01, 31536000.0));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return e.get_exit_code() == 0 ? code : kExitUsage;
    }

    std::unique_ptr<sim::ServerModel> model;
    try {
        model = std::make_unique<sim::ServerModel>(sim::loadNetworkFile(networkFile));
    } catch (const sim::LoadError& e) {
        std::cerr << "nwsimd: " << e.what() << std::endl;
        return kExitUsage;
    }
    // The workstation's users get passwords of this start; the workstation's own stations leave
    // the tables (over NCP the workstation is a client with stations of its own).
    std::vector<nwsimd::GivenPassword> passwords = nwsimd::givePasswords(*model);
    const nwsimd::WorkstationView workstation = nwsimd::workstationOf(*model);
    model->dropWorkstationStations();
    // One process changes a network's state: this one, or none (another holds the lock).
    if (model->storeHoldingLock() == nullptr) {
        std::cerr << "nwsimd: the state store cannot be used: " << model->storeError() << std::endl;
        return kExitFailure;
    }

    asio::io_context io;
    nwsimd::ServerOptions options;
    options.capture = capture;
    options.signingLevel = signing;
    options.idleTimeout = std::chrono::milliseconds(static_cast<long long>(idleSeconds * 1000));
    nwsimd::NcpServer server(io, *model, options);
    std::unique_ptr<nwsimd::RuntimeFiles> runtime;
    std::unique_ptr<nwsimd::WorkstationFile> workstationFile;
    try {
        server.start();
        runtime = std::make_unique<nwsimd::RuntimeFiles>(nwsimd::runtimeFolder(), networkFile,
                                                         server.endpoints(), passwords);
        workstationFile = std::make_unique<nwsimd::WorkstationFile>(
            nwsimd::runtimeFolder(), networkFile, workstation, server.endpoints(),
            runtime->passwordFile());
    } catch (const std::exception& e) {
        std::cerr << "nwsimd: " << e.what() << std::endl;
        return kExitFailure;
    }
    for (const nwsimd::Endpoint& endpoint : server.endpoints())
        std::cout << endpoint.server << ' ' << endpoint.address() << '\n';
    std::cout << std::flush;
    server.log("serving " + std::to_string(server.endpoints().size()) + " servers of " +
               networkFile + " (" + runtime->serversFile().string() + "); packet signing " +
               signingText(signing));

    asio::signal_set signals(io, SIGINT, SIGTERM);
    std::unique_ptr<nwsimd::IdleExit> idle;
    signals.async_wait([&](std::error_code ec, int) {
        if (ec)
            return;
        server.log("stopping");
        server.stop();
        if (idle)
            idle->cancel();
    });
    if (exitWhenIdle > 0) {
        idle = std::make_unique<nwsimd::IdleExit>(
            io, server, std::chrono::milliseconds(static_cast<long long>(exitWhenIdle * 1000)),
            [&] {
                server.stop();
                signals.cancel();
            });
    }
    io.run();
    return 0;
}
