#include "ncp/calls.h"

#include <algorithm>
#include <array>

namespace nw::ncp {

namespace {

std::array<CallInfo, AllCalls::size> buildTable() {
    std::array<CallInfo, AllCalls::size> table{};
    std::size_t i = 0;
    AllCalls::forEach([&](auto tag) {
        using C = typename decltype(tag)::type;
        table[i++] = CallInfo{C::function, C::subfunction, formOf(C::function), C::name};
    });
    return table;
}

const std::array<CallInfo, AllCalls::size>& table() {
    static const std::array<CallInfo, AllCalls::size> t = buildTable();
    return t;
}

}  // namespace

std::span<const CallInfo> callTable() {
    return table();
}

const CallInfo* findCall(std::uint8_t function, std::uint8_t subfunction) {
    const auto& t = table();
    const std::uint16_t key = callKey(function, subfunction);
    auto it = std::find_if(t.begin(), t.end(), [key](const CallInfo& c) {
        return callKey(c.function, c.subfunction) == key;
    });
    return it == t.end() ? nullptr : &*it;
}

}  // namespace nw::ncp
