// The process-wide client: forwards to the simulated network once NWCallsInit has loaded it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "demoserver.h"
#include "netclient/client.h"
#include "netclient/forwarding.h"
#include "netclient/sim/simclient.h"
#include "passwordsetup.h"
#include "wire/wireclient.h"

namespace nw {

namespace {

namespace fs = std::filesystem;

template <class... T>
void unused(const T&...) {}

// Stands in until the network is loaded: every operation fails.
class UnavailableClient final : public Client {
public:
#define NW_UNAVAILABLE_OPERATION(name, params, args) \
    NWCCODE name params override {                   \
        unused args;                                 \
        return NWE_REQUESTER_FAILURE;                \
    }
    NW_CLIENT_OPERATIONS(NW_UNAVAILABLE_OPERATION)
#undef NW_UNAVAILABLE_OPERATION
};

struct SetupError {
    std::string reason;
};

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path executableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

fs::path userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg == '/')
        return fs::path(xdg) / "varnook";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        throw SetupError{"neither XDG_DATA_HOME nor HOME is set"};
    return fs::path(home) / ".local/share/varnook";
}

// The demo network ships beside the program (<exe dir>/../share/varnook/demo) and is used from
// a copy in the user's data folder, so running the program never changes what was shipped. A
// copy older than the shipped demo is put aside as demo.old and replaced.
fs::path demoNetwork() {
    fs::path shipped = executableFolder() / ".." / "share" / "varnook" / "demo";
    if (!fs::exists(shipped / "network.json")) {
        throw SetupError{"the demo network is missing: " + (shipped / "network.json").string()};
    }
    fs::path data = userDataFolder();
    fs::path copy = data / "demo";
    std::string stamp = readAll(shipped / "network.json");
    if (fs::exists(copy / "network.json") && readAll(copy / ".shipped-network.json") == stamp) {
        return copy / "network.json";
    }
    std::error_code ec;
    fs::create_directories(data, ec);
    fs::path staging = data / ("demo.new." + std::to_string(::getpid()));
    fs::remove_all(staging, ec);
    fs::copy(shipped, staging, fs::copy_options::recursive, ec);
    if (ec)
        throw SetupError{"cannot copy the demo network to " + staging.string() + ": " +
                         ec.message()};
    std::ofstream(staging / ".shipped-network.json", std::ios::binary) << stamp;
    if (fs::exists(copy)) {
        fs::remove_all(data / "demo.old", ec);
        fs::rename(copy, data / "demo.old", ec);
    }
    fs::rename(staging, copy, ec);
    if (ec)
        throw SetupError{"cannot set up the demo network in " + copy.string() + ": " +
                         ec.message()};
    return copy / "network.json";
}

// The wire back end for a workstation file. VARNOOK_NCP_CAPTURE names a folder that receives a
// capture of every session (for Wireshark; it holds no passwords, only what servers see).
std::unique_ptr<Client> wireClient(const fs::path& file, wire::WireOptions options = {}) {
    wire::WorkstationConfig config = wire::loadWorkstationFile(file);
    if (const char* capture = std::getenv("VARNOOK_NCP_CAPTURE"); capture != nullptr && *capture) {
        options.captureFolder = capture;
    }
    std::unique_ptr<wire::PasswordSource> passwords = processPasswords(config);
    return std::make_unique<wire::WireClient>(std::move(config), std::move(passwords), options);
}

// The demo over the wire: the user's demo server (started when it is not running) serves the
// demo network; after a failure the client asks for its workstation file again, so that a
// restarted server is found where it listens now.
std::unique_ptr<Client> demoClient() {
    const fs::path network = demoNetwork();
    const fs::path program = executableFolder() / "nwsimd";
    fs::path workstation;
    try {
        workstation = demoWorkstationFile(network, program);
    } catch (const DemoServerError& error) {
        throw SetupError{error.what()};
    }
    wire::WireOptions options;
    options.reloadWorkstation = [network, program]() -> std::optional<wire::WorkstationConfig> {
        try {
            return wire::loadWorkstationFile(demoWorkstationFile(network, program));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    };
    return wireClient(workstation, options);
}

class ProcessClient final : public ForwardingClient {
public:
    ProcessClient() : ForwardingClient(unavailable_) {}

    NWCCODE NWCallsInit(nuint8*, nuint8*) override {
        if (loaded_)
            return SUCCESSFUL;
        // A workstation file means the wire; a network file the in-process simulator.
        const char* workstation = std::getenv("VARNOOK_WORKSTATION");
        const char* named = std::getenv("NWSIM_NETWORK");
        const std::string source = workstation != nullptr && *workstation != '\0'
                                       ? "workstation:" + std::string(workstation)
                                   : named != nullptr ? "network:" + std::string(named)
                                                      : std::string();  // empty: the demo
        // The same source fails the same way: it is not loaded (nor reported) a second time.
        if (!failure_.empty() && failedSource_ == source)
            return NWE_REQUESTER_FAILURE;
        try {
            if (workstation != nullptr && *workstation != '\0') {
                loaded_ = wireClient(fs::path(workstation));
            } else if (named != nullptr) {
                loaded_ = sim::SimClient::load(fs::path(named));
            } else {
                loaded_ = demoClient();
            }
        } catch (const SetupError& error) {
            return fail(source, error.reason);
        } catch (const std::exception& error) {
            return fail(source, error.what());
        }
        failure_.clear();
        setTarget(*loaded_);
        return SUCCESSFUL;
    }

    const std::string& failure() const { return failure_; }
    Client* loaded() { return loaded_.get(); }

private:
    NWCCODE fail(const std::string& source, const std::string& reason) {
        failure_ = reason;
        failedSource_ = source;
        std::fprintf(stderr, "NWCallsInit: %s\n", reason.c_str());
        return NWE_REQUESTER_FAILURE;
    }

    UnavailableClient unavailable_;
    std::unique_ptr<Client> loaded_;
    std::string failure_;
    std::string failedSource_;
};

}  // namespace

namespace {
ProcessClient& theProcessClient() {
    static ProcessClient client;
    return client;
}
}  // namespace

Client& processClient() {
    return theProcessClient();
}

Client* processClientBackEnd() {
    return theProcessClient().loaded();
}

OpenHandleCounts processClientOpenHandles() {
    OpenHandleCounts counts;
    Client* loaded = processClientBackEnd();
    if (const auto* sim = dynamic_cast<const sim::SimClient*>(loaded)) {
        counts = {sim->openHandleCount(), sim->openDirHandleCount(), sim->openFileHandleCount()};
    } else if (const auto* wire = dynamic_cast<const wire::WireClient*>(loaded)) {
        counts = {wire->openHandleCount(), wire->openDirHandleCount(), wire->openFileHandleCount()};
    }
    return counts;
}

NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) {
    return processClient().NWCallsInit(reserved1, reserved2);
}

std::string processClientFailure() {
    return static_cast<ProcessClient&>(processClient()).failure();
}

}  // namespace nw
