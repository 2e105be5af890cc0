// A program using a network's state, for the multi-process tests of the state store. It acts as
// the workstation's connection 1 (ADMIN, supervisor of FS1) and reports on standard output:
//
//   state_child NETWORK hold          opens the state, prints "holding", ends when its input does
//   state_child NETWORK erase DIR N   prints "ready", waits for a line of input, erases
//                                     SYS:DIR\f0.txt ... f<N-1>.txt, prints "erased E refused R
//                                     other O" and "state: MESSAGE"
//   state_child NETWORK erase PATH    erases one file (NWSIM_PAUSE_POINT can stop it halfway)
#include <cstdio>
#include <iostream>
#include <string>

#include "netclient/sim/simclient.h"

using namespace nw;

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    std::unique_ptr<sim::SimClient> client;
    try {
        client = sim::SimClient::load(argv[1]);
    } catch (const sim::LoadError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    NWCONN_HANDLE h = 0;
    if (client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &h) != SUCCESSFUL)
        return 2;
    std::string action = argv[2];
    std::string line;
    if (action == "hold" && argc == 3) {
        VOLUME_STATS stats;
        client->GetVolumeStats(h, 0, &stats);  // opens the state store
        std::printf("holding\n");
        std::fflush(stdout);
        while (std::getline(std::cin, line)) {
        }
    } else if (action == "erase" && argc == 5) {
        std::printf("ready\n");
        std::fflush(stdout);
        std::getline(std::cin, line);
        int erased = 0, refused = 0, other = 0;
        for (int i = 0, count = std::stoi(argv[4]); i < count; ++i) {
            std::string path = std::string("SYS:") + argv[3] + "\\f" + std::to_string(i) + ".txt";
            NWCCODE rc = client->EraseFile(h, NW_NS_LONG, SA_FILES, path.c_str());
            (rc == SUCCESSFUL ? erased : rc == DIRECTORY_IO_ERROR ? refused : other)++;
        }
        std::printf("erased %d refused %d other %d\nstate: %s\n", erased, refused, other,
                    client->stateError().c_str());
    } else if (action == "erase" && argc == 4) {
        NWCCODE rc = client->EraseFile(h, NW_NS_LONG, SA_FILES, argv[3]);
        std::printf("%s\n", rc == SUCCESSFUL ? "erased" : "failed");
    } else {
        return 2;
    }
    client->NWCCCloseConn(h);
    return 0;
}
