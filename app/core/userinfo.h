// What a server knows about one connection, as the user information window shows it, read
// afresh on every refresh. Free of widgets.
#pragma once

#include <cstdint>
#include <string>

#include "netclient/client.h"

namespace varnook {

// A number grouped in threes by separator, at least one digit ("###,###,##0").
std::string GroupedNumber(uint64_t n, const std::string& separator);

// A 48-bit count stored least significant byte first.
uint64_t Read48(const nw::nuint8 (&bytes)[6]);

// "h:m:s  mm/dd/yy" from the record's login time, each byte in plain decimal.
std::string LoginTimeText(const nw::NWUSER_INFO& info);

// Network, node and socket as 8, 12 and 4 upper-case hexadecimal digits, joined by ":".
std::string NetAddressText(const nw::NWINET_ADDR& address);

struct OpenFileCount {
    int32_t count = 0;                        // files the scan returned
    nw::NWCCODE lastResult = nw::SUCCESSFUL;  // the result that ended the scan
    bool failed = false;  // the scan ended with an error before the end of the list
};

// Counts the files connNumber has open with NWScanOpenFilesByConn2 on an open handle: one per
// call answering 0, until a call answers anything else or the iteration handle reads -1.
OpenFileCount CountOpenFiles(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t connNumber);

// Texts of the status value.
inline constexpr const char* kStatusNormal = "Normal";
inline constexpr const char* kStatusAuthenticated = "Authenticated";
inline constexpr const char* kStatusError = "Error: couldn't get info.";
inline constexpr const char* kCouldntCountFiles = "Couldn't count files";

struct UserInfoReading {
    nw::NWCCODE openResult = nw::SUCCESSFUL;  // nothing else was asked unless 0
    nw::NWCCODE userInfoResult = nw::SUCCESSFUL;
    // Filled when userInfoResult is 0; the window keeps its former values otherwise.
    std::string userName;   // the name logged in on the connection, up to its NUL
    std::string fileLocks;  // Str text
    std::string openFiles;  // Str text, or "Couldn't count files"
    OpenFileCount openFileCount;
    std::string connInUse;  // "Yes" / "No"
    std::string loginTime;
    std::string bytesRead;
    std::string bytesWritten;
    // "Normal", "Authenticated" (0x897D) or "Error: couldn't get info.".
    std::string status;
    nw::NWCCODE addressResult = nw::SUCCESSFUL;
    std::string netAddress;  // when addressResult is 0
};

// One refresh: opens a handle on ref, reads NWGetUserInfo (84-byte record, 514-byte name
// buffer), counts the open files, asks NWGetInetAddr whatever NWGetUserInfo answered, closes the
// handle. Byte counts are grouped with groupSeparator.
UserInfoReading ReadUserInfo(nw::Client& client, nw::NWCONN_REF ref, uint16_t connNumber,
                             const std::string& groupSeparator);

// " Error: " and the code as Str text (NWGetUserInfo failed).
std::string UserInfoErrorText(nw::NWCCODE result);
// "Couldn't get network address. Error : " and the code as Str text.
std::string NetAddressErrorText(nw::NWCCODE result);

}  // namespace varnook
