#include "core/userinfo.h"

#include <array>
#include <cstdio>

#include "core/connhandle.h"
#include "core/nultext.h"
#include "core/strtext.h"

namespace varnook {

namespace {
constexpr size_t kUserNameBufferSize = 514;
// More calls than a 16-bit iteration handle can step through: a scan that never ends is a
// failed count.
constexpr int kMaxOpenFileCalls = 65536;

std::string HexBytes(const nw::nuint8* bytes, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        out += two;
    }
    return out;
}
}  // namespace

std::string GroupedNumber(uint64_t n, const std::string& separator) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += separator;
        }
        out += digits[i];
    }
    return out;
}

uint64_t Read48(const nw::nuint8 (&bytes)[6]) {
    uint64_t n = 0;
    for (int i = 5; i >= 0; --i) {
        n = (n << 8) | bytes[i];
    }
    return n;
}

std::string LoginTimeText(const nw::NWUSER_INFO& info) {
    const nw::nuint8* t = info.loginTime;  // yy, mm, dd, hh, mi, ss
    auto d = [](nw::nuint8 b) { return std::to_string(b); };
    return d(t[3]) + ":" + d(t[4]) + ":" + d(t[5]) + "  " + d(t[1]) + "/" + d(t[2]) + "/" + d(t[0]);
}

std::string NetAddressText(const nw::NWINET_ADDR& address) {
    return HexBytes(address.networkAddr, 4) + ":" + HexBytes(address.netNodeAddr, 6) + ":" +
           HexBytes(address.socket, 2);
}

OpenFileCount CountOpenFiles(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t connNumber) {
    OpenFileCount out;
    nw::nint16 iter = 0;
    nw::OPEN_FILE_CONN_CTRL ctrl;
    for (int calls = 0;; ++calls) {
        if (calls == kMaxOpenFileCalls) {
            out.lastResult = nw::FAILURE;
            out.failed = true;
            break;
        }
        nw::OPEN_FILE_CONN file;
        out.lastResult = client.NWScanOpenFilesByConn2(conn, connNumber, &iter, &ctrl, &file);
        if (out.lastResult != nw::SUCCESSFUL) {
            out.failed = iter != nw::NW_ITERATION_END;
            break;
        }
        ++out.count;
        if (iter == nw::NW_ITERATION_END) {
            break;
        }
    }
    return out;
}

UserInfoReading ReadUserInfo(nw::Client& client, nw::NWCONN_REF ref, uint16_t connNumber,
                             const std::string& groupSeparator) {
    UserInfoReading out;
    ConnHandle conn(client, ref);
    out.openResult = conn.result();
    if (!conn.ok()) {
        return out;
    }
    std::array<char, kUserNameBufferSize> name{};
    nw::NWUSER_INFO info;
    out.userInfoResult = client.NWGetUserInfo(conn.get(), connNumber, name.data(), &info);
    if (out.userInfoResult == nw::SUCCESSFUL) {
        out.userName = CutAtNul(name.data(), name.size());
        out.fileLocks = StrText(info.lockCount);
        out.openFileCount = CountOpenFiles(client, conn.get(), connNumber);
        out.openFiles = out.openFileCount.failed ? std::string(kCouldntCountFiles)
                                                 : StrText(out.openFileCount.count);
        out.connInUse = info.connInUse == 0 ? "Yes" : "No";
        out.loginTime = LoginTimeText(info);
        out.bytesRead = GroupedNumber(Read48(info.totalBytesRead), groupSeparator);
        out.bytesWritten = GroupedNumber(Read48(info.totalBytesWritten), groupSeparator);
        out.status = kStatusNormal;
    } else if (out.userInfoResult == nw::USER_INFO_AUTHENTICATED) {
        out.status = kStatusAuthenticated;
    } else {
        out.status = kStatusError;
    }
    nw::NWINET_ADDR address;
    out.addressResult = client.NWGetInetAddr(conn.get(), connNumber, &address);
    if (out.addressResult == nw::SUCCESSFUL) {
        out.netAddress = NetAddressText(address);
    }
    return out;
}

std::string UserInfoErrorText(nw::NWCCODE result) {
    return " Error: " + StrText(result);
}

std::string NetAddressErrorText(nw::NWCCODE result) {
    return "Couldn't get network address. Error : " + StrText(result);
}

}  // namespace varnook
