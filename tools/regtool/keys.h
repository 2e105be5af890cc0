// Reading keys for regtool: a key's values and subkeys, and a walk over a whole tree.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace regtool {

struct Value {
    std::string name;
    vnk::win::DWORD type = 0;
    std::string data;
};

// Every value of `key`, in enumeration order.
vnk::win::LONG readValues(vnk::win::HKEY key, std::vector<Value>& values);
// The names of the subkeys of `key`, in enumeration order.
vnk::win::LONG readSubKeys(vnk::win::HKEY key, std::vector<std::string>& names);

// Called for each key of a tree with its open handle, its full path and its subkeys' names.
using KeyVisitor = std::function<vnk::win::LONG(vnk::win::HKEY key, const std::string& path,
                                                const std::vector<std::string>& subKeys)>;

// What stopped a walk: a registry error, or a key deeper than the registry allows.
struct WalkResult {
    vnk::win::LONG error = vnk::win::ERROR_SUCCESS;
    bool tooDeep = false;
    bool ok() const { return error == vnk::win::ERROR_SUCCESS && !tooDeep; }
};

// Visits `top` (at `depth` levels below its hive's root, named `path`) and every key below it,
// each before its subkeys, subkeys in enumeration order. Walks with a stack of its own, never by
// recursion, and stops at a key deeper than MAX_KEY_DEPTH (only a database written by hand holds
// one), so no tree can exhaust the call stack.
WalkResult walkTree(vnk::win::HKEY top, const std::string& path, std::size_t depth,
                    const KeyVisitor& visit);

}  // namespace regtool
