// nwshow: prints the servers, NetWare drives and connections that the NetWare client sees (the
// simulated network named by NWSIM_NETWORK, else the demo network), through the client interface.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "netclient/client.h"

namespace {

using namespace nw;

// Client texts are in the workstation's code page; the terminal wants UTF-8.
class Utf8 {
public:
    explicit Utf8(const std::string& codePage) : cd_(iconv_open("UTF-8", codePage.c_str())) {}
    ~Utf8() {
        if (valid())
            iconv_close(cd_);
    }
    std::string operator()(const std::string& text) const {
        if (!valid())
            return text;
        std::string in = text;
        std::string out(text.size() * 4 + 4, '\0');
        char* inPtr = in.data();
        char* outPtr = out.data();
        std::size_t inLeft = in.size(), outLeft = out.size();
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            return text;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;
};

std::string cut(const char* buffer) {
    return std::string(buffer);
}

void showConnections(Client& client, NWCONN_HANDLE handle, const Utf8& utf8) {
    char serverName[49] = {};
    nuint8 major = 0, minor = 0, revision = 0, sft = 0, tts = 0;
    nuint16 maxConns = 0, maxUsed = 0, inUse = 0, volumes = 0;
    if (client.NWGetFileServerInformation(handle, serverName, &major, &minor, &revision, &maxConns,
                                          &maxUsed, &inUse, &volumes, &sft, &tts) != 0) {
        return;
    }
    std::printf("\nConnections on %s (NetWare %u.%02u, %u of %u in use)\n",
                utf8(cut(serverName)).c_str(), major, minor, inUse, maxConns);
    for (nuint32 n = 0; n < maxConns; ++n) {
        char name[256] = {};
        nuint16 type = 0;
        nuint32 id = 0;
        nuint8 login[7] = {};
        if (client.NWGetConnectionInformation(handle, n, name, &type, &id, login) != 0)
            continue;
        char user[515] = {};
        NWUSER_INFO info;
        NWCCODE rc = client.NWGetUserInfo(handle, n, user, &info);
        nint16 iter = 0;
        int files = 0;
        OPEN_FILE_CONN_CTRL control;
        OPEN_FILE_CONN file;
        while (client.NWScanOpenFilesByConn2(handle, static_cast<nuint16>(n), &iter, &control,
                                             &file) == 0) {
            ++files;
        }
        std::printf("  %5u  %-16s type %-5u login %02u/%02u/%02u %02u:%02u:%02u  %2d files%s\n", n,
                    utf8(cut(name)).c_str(), type, login[1], login[2], login[0], login[3], login[4],
                    login[5], files, rc == USER_INFO_AUTHENTICATED ? "  (authenticated)" : "");
    }
}

}  // namespace

int main() {
    nuint8 reserved1 = 0, reserved2 = 0;
    if (NWCallsInit(&reserved1, &reserved2) != 0) {
        std::fputs("nwshow: the NetWare client could not be initialised.\n", stderr);
        return 1;
    }
    Client& client = processClient();
    std::string codePage;
    client.GetWorkstationCodePage(codePage);
    Utf8 utf8(codePage);

    std::puts("Servers");
    std::vector<NWCONN_REF> refs;
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    while (client.NWCCScanConnRefs(&iterator, &ref) == 0) {
        char name[49] = {};
        client.NWCCGetConnRefInfo(ref, NWCC_INFO_SERVER_NAME, sizeof name, name);
        NWCONN_HANDLE handle = 0;
        nuint8 enabled = 0;
        const char* privileges = "";
        if (client.NWCCOpenConnByRef(ref, NWCC_OPEN_LICENSED, 0, &handle) == 0) {
            client.NWGetFileServerLoginStatus(handle, &enabled);
            if (client.NWCheckConsolePrivileges(handle) != 0)
                privileges = "  no console rights";
            client.NWCCCloseConn(handle);
        }
        std::printf("  %-20s %-9s ref %u%s\n", utf8(cut(name)).c_str(),
                    enabled ? "Enabled" : "Disabled", ref, privileges);
        refs.push_back(ref);
    }

    std::puts("\nDrives");
    for (nuint16 drive = 1; drive <= 26; ++drive) {
        std::string target, folder;
        if (client.GetDriveMapping(drive, target, folder) != 0)
            continue;
        std::printf("  %c: [%s]\n", 'A' + drive - 1, utf8(target).c_str());
    }

    std::vector<std::string> shown;
    for (NWCONN_REF r : refs) {
        char name[49] = {};
        client.NWCCGetConnRefInfo(r, NWCC_INFO_SERVER_NAME, sizeof name, name);
        bool seen = false;
        for (const std::string& s : shown)
            seen = seen || s == name;
        if (seen)
            continue;
        shown.emplace_back(name);
        NWCONN_HANDLE handle = 0;
        if (client.NWCCOpenConnByRef(r, NWCC_OPEN_LICENSED, 0, &handle) != 0)
            continue;
        showConnections(client, handle, utf8);
        client.NWCCCloseConn(handle);
    }
    return 0;
}
