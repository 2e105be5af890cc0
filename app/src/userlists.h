// What the user actions read of the users list in force: the main window's list (source 1) or
// the all-connections window's list (source 2), with the server it was filled from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/userchoice.h"
#include "netclient/types.h"

namespace varnook {

struct UserListInForce {
    uint8_t source = 1;
    UserListView view;
    // The server whose connections the list shows; the actions go to it.
    nw::NWCONN_REF serverRef = 0;
    // The connection number and the stored name (the table's text) of a row.
    std::function<uint16_t(int row)> connNumber;
    std::function<std::string(int row)> storedName;
};

}  // namespace varnook
