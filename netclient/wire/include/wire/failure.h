// A failure of the wire back end: the completion code callers get, and a text for people that
// names the server and what went wrong ("FS1 (10.0.0.5:524): no reply within 10 s").
#pragma once

#include <string>
#include <utility>

#include "netclient/types.h"

namespace nw::wire {

struct Failure {
    NWCCODE code = SUCCESSFUL;
    std::string text;

    Failure() = default;
    Failure(NWCCODE c, std::string t) : code(c), text(std::move(t)) {}
    explicit operator bool() const { return code != SUCCESSFUL; }
};

}  // namespace nw::wire
