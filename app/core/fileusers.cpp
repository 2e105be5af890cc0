#include "core/fileusers.h"

#include <array>

#include "core/strtext.h"
#include "core/textbuffers.h"

namespace varnook {

namespace {
// Connection numbers are 16-bit, so no file is open by more connections than this; the bound
// ends a scan whose server never says it is done.
constexpr size_t kMaxScanCalls = 65537;
}  // namespace

std::string FileUser::RowText() const {
    return StrText(connNumber) + "  " + name;
}

std::string FileUsersResult::StatusText() const {
    if (end != End::Listed) {
        return kCouldntCountConnections;
    }
    return StrText(reportedCount) + " users have file open";
}

FileUsersResult GetConnsUsingFile(nw::Client& client, nw::NWCONN_HANDLE conn,
                                  const std::string& volumePath, FileUsersSink& sink,
                                  QueryLog& log) {
    FileUsersResult result;
    sink.trace("Init. ", true);

    // The path in the DOS name space: the DOS path of the file's folder, "\", its DOS name.
    std::string scanPath;
    BlankBuffer dosFolder;
    nw::NW_NS_PATH record{volumePath.c_str(), dosFolder.data(), BlankBuffer::kSize};
    const nw::NWCCODE ns = client.NWGetNSPath(conn, 0, 1, nw::NW_NS_LONG, nw::NW_NS_DOS, &record);
    if (ns != nw::SUCCESSFUL) {
        if (log.debugOn()) {
            log.debug("NWGetNSPath returned: " + StrText(ns));
        }
        if (ns != nw::INVALID_NAME_SPACE) {
            result.end = FileUsersResult::End::TranslationFailed;
            result.code = ns;
            return result;
        }
        scanPath = volumePath;
    } else {
        BlankBuffer dosName;
        const nw::NWCCODE ln = client.NWGetLongName(conn, 0, volumePath.c_str(), nw::NW_NS_LONG,
                                                    nw::NW_NS_DOS, dosName.data());
        if (ln != nw::SUCCESSFUL) {
            if (log.debugOn()) {
                log.debug("NWGetLongName returned: " + StrText(ln));
            }
            result.end = FileUsersResult::End::TranslationFailed;
            result.code = ln;
            return result;
        }
        scanPath = dosFolder.text() + "\\" + dosName.text();
    }

    nw::nint16 iter = 0;
    nw::CONN_USING_FILE use{};
    nw::CONNS_USING_FILE used{};
    for (size_t calls = 0; calls < kMaxScanCalls; ++calls) {
        const nw::NWCCODE rc =
            client.NWScanConnectionsUsingFile(conn, 0, scanPath.c_str(), &iter, &use, &used);
        if (log.debugOn()) {
            log.debug("NWScanConnectionsUsingFile returned: " + StrText(rc));
        }
        sink.trace(StrText(rc) + "-", false);
        if (result.reportedCount == kNoCountYet) {
            result.reportedCount = used.connCount;
        }
        const uint16_t number = use.connNumber;
        if (log.debugOn()) {
            log.debug("ConnectionCount: " + std::to_string(result.reportedCount));
        }
        if (rc != nw::SUCCESSFUL) {
            if (iter != nw::NW_ITERATION_END) {
                result.end = FileUsersResult::End::ScanFailed;
                result.code = rc;
            }
            return result;
        }
        if (result.reportedCount > 0) {
            FileUser user;
            user.connNumber = number;
            std::array<char, 514> name{};
            nw::NWUSER_INFO info{};
            user.userInfoResult = client.NWGetUserInfo(conn, number, name.data(), &info);
            if (log.debugOn()) {
                log.debug("NWGetUserInfo returned: " + StrText(user.userInfoResult));
            }
            user.name = user.userInfoResult != nw::SUCCESSFUL ? std::string(kErrorGettingId)
                                                              : TextUpToNul(name);
            if (log.debugOn()) {
                log.debug("User name: " + user.name + "  conn number: " + std::to_string(number));
            }
            sink.user(user);
            ++result.rows;
            if (log.outputOn()) {
                log.output("\t" + user.RowText());
            }
        }
        if (used.connCount == 0) {
            return result;
        }
    }
    result.end = FileUsersResult::End::ScanFailed;
    result.code = nw::FAILURE;
    return result;
}

}  // namespace varnook
