// varnook-cli: the process around Run: the process client, the terminal, Ctrl-C and the clock.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <thread>

#include "cli.h"
#include "errors.h"
#include "netclient/passwords.h"
#include "terminal.h"
#include "volume_objects.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;  // the signal that asked the program to stop

void OnInterrupt(int signal) {
    interrupted = signal;
}

// A standard stream the caller closed would hand its number to the next file the program opens
// (the network file, the registry), and answers meant for the terminal would be written into
// that file. Each closed one is parked on /dev/null; answers for a closed standard output count
// as lost, so the program fails as it does on a full disk. Answers whether standard output was
// open.
bool ParkClosedStandardStreams() {
    bool outputOpen = true;
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);  // takes number fd
            outputOpen = outputOpen && fd != STDOUT_FILENO;
        }
    }
    return outputOpen;
}

nw::Client& ProcessClient(const varnook::cli::ClientSource& source) {
    if (!source.workstation.empty()) {
        ::setenv("VARNOOK_WORKSTATION", source.workstation.c_str(), 1);
        ::unsetenv("NWSIM_NETWORK");
    } else if (!source.network.empty()) {
        ::setenv("NWSIM_NETWORK", source.network.c_str(), 1);
        ::unsetenv("VARNOOK_WORKSTATION");
    }
    if (!source.passwordFile.empty()) {
        nw::setPasswordFile(source.passwordFile);
    }
    // Passwords the password file lacks are asked for on the terminal, for the connections
    // a command opens.
    nw::setPasswordAsker(
        [](const nw::PasswordQuestion& question, nw::PasswordEntry& entry, std::string& why) {
            std::string codePage;
            nw::processClient().GetWorkstationCodePage(codePage);
            return varnook::cli::AskPasswordOnTerminal(question, entry, why, codePage);
        });
    nw::nuint8 reserved1 = 0;
    nw::nuint8 reserved2 = 0;
    const nw::NWCCODE rc = nw::NWCallsInit(&reserved1, &reserved2);
    if (rc != nw::SUCCESSFUL) {
        const std::string why = nw::processClientFailure();
        throw varnook::cli::NetWareError(rc, "the NetWare client could not be initialised" +
                                                 (why.empty() ? std::string() : ": " + why));
    }
    return nw::processClient();
}

// The volume control runs on the process client, which loads its network first.
vnk::com::ComPtr<vnk::com::IDispatch> VolumeControl(const varnook::cli::ClientSource& source) {
    ProcessClient(source);
    return varnook::cli::CreateVolumeControl();
}

// Sleeps in short steps so that Ctrl-C ends a wait at once.
bool Sleep(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    while (interrupted == 0) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::milliseconds(0)) {
            return true;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(50)));
    }
    return false;
}

std::string WallClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::optional<bool> Confirm(const std::string& question) {
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0) {
        return std::nullopt;
    }
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace

int main(int argc, char** argv) {
    const bool outputOpen = ParkClosedStandardStreams();
    std::ios::sync_with_stdio(false);
    if (!outputOpen) {
        std::cout.setstate(std::ios::badbit);
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    varnook::cli::Environment env{
        std::cout, std::cerr, ProcessClient, Sleep, [] { return std::chrono::steady_clock::now(); },
        WallClock, Confirm,   VolumeControl};
    const int code = varnook::cli::Run(std::vector<std::string>(argv + 1, argv + argc), env);
    // A wait ended by a signal other than Ctrl-C reports that signal, as shells do.
    if (code == varnook::cli::kExitInterrupted && interrupted != 0) {
        return 128 + interrupted;
    }
    return code;
}
