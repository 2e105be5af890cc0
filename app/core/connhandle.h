// A connection handle that lives for one query or action: opened on a connection reference in the
// constructor and closed again in the destructor, so no path out of the caller leaves it open.
#pragma once

#include "netclient/client.h"

namespace varnook {

class ConnHandle {
public:
    ConnHandle(nw::Client& client, nw::NWCONN_REF ref) : client_(client) {
        result_ = client_.NWCCOpenConnByRef(ref, nw::NWCC_OPEN_LICENSED, 0, &handle_);
    }
    ~ConnHandle() {
        if (result_ == nw::SUCCESSFUL) {
            client_.NWCCCloseConn(handle_);
        }
    }
    ConnHandle(const ConnHandle&) = delete;
    ConnHandle& operator=(const ConnHandle&) = delete;

    // The completion code of NWCCOpenConnByRef; the handle is usable when it is 0.
    nw::NWCCODE result() const { return result_; }
    bool ok() const { return result_ == nw::SUCCESSFUL; }
    nw::NWCONN_HANDLE get() const { return handle_; }

private:
    nw::Client& client_;
    nw::NWCONN_HANDLE handle_ = 0;
    nw::NWCCODE result_ = nw::INVALID_CONNECTION;
};

}  // namespace varnook
