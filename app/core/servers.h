// Reading the workstation's connections: one row per connection reference, and the NetWare
// drive test. Written against the NetWare client alone, free of widgets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/drives.h"
#include "netclient/client.h"

namespace varnook {

struct ServerRow {
    std::string name;  // workstation code page; empty when the name could not be read
    enum class Login { Enabled, Disabled, Unknown } login = Login::Unknown;
    uint32_t connRef = 0;
    // "Enabled", "Disabled", or "Unknown" when the connection could not be opened.
    const char* LoginStatusText() const;
};

// The name of the server a connection reference leads to (NWCCGetConnRefInfo, type 7, 49 bytes);
// empty when the client cannot tell.
std::string ServerNameOfConnRef(nw::Client& client, nw::NWCONN_REF ref);

// Scans the connection references in the client's order. Every name buffer starts zero-filled,
// and a connection that cannot be opened reports its login status as unknown. Each handle opened
// is closed again.
std::vector<ServerRow> ScanServers(nw::Client& client);

// NWGetDriveInformation for drive d (A = 1) with mode 0: 0 for a NetWare drive.
int NetWareDriveInformation(nw::Client& client, int drive);

// The workstation's drives and folders, answered by the client: the drive list shows
// "c: [Local Disk]" and each NetWare drive as "f: [\\FS1\SYS\PUBLIC]"; a browser path ("F:\DATA")
// is listed by the drive's server (ListDriveFolder).
class NetWorkstation : public Workstation {
public:
    explicit NetWorkstation(nw::Client& client) : client_(client) {}
    std::vector<std::string> DriveListTexts() override;
    std::optional<FolderListing> ListFolder(const std::string& dosPath) override;
    int DriveNumberOfLocalPath(const std::string& localPath) override;

private:
    nw::Client& client_;
};

}  // namespace varnook
