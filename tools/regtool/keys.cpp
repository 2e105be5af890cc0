#include "keys.h"

#include <algorithm>
#include <utility>

namespace regtool {

using namespace vnk::win;

LONG readValues(HKEY key, std::vector<Value>& values) {
    values.clear();
    // Buffers as big as the longest name and data, so each value takes one call; a value that
    // grew meanwhile is asked for again with a bigger buffer.
    DWORD longestName = 0;
    DWORD longestData = 0;
    LONG e = RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &longestName, &longestData, nullptr, nullptr);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    std::string name(longestName + 1, '\0');
    std::string data(longestData, '\0');
    for (DWORD i = 0;;) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        e = RegEnumValue(key, i, name.data(), &nameLen, nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size);
        if (e == ERROR_MORE_DATA) {
            name.resize(std::max<std::size_t>(name.size() * 2, MAX_VALUE_NAME * 4 + 1));
            data.resize(std::max<std::size_t>(size, data.size()));
            continue;
        }
        if (e == ERROR_NO_MORE_ITEMS) {
            return ERROR_SUCCESS;
        }
        if (e != ERROR_SUCCESS) {
            return e;
        }
        values.push_back(Value{name.substr(0, nameLen), type, data.substr(0, size)});
        ++i;
    }
}

LONG readSubKeys(HKEY key, std::vector<std::string>& names) {
    names.clear();
    for (DWORD i = 0;; ++i) {
        char name[MAX_KEY_NAME * 4 + 1];
        DWORD len = sizeof name;
        const LONG e = RegEnumKeyEx(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) {
            return ERROR_SUCCESS;
        }
        if (e != ERROR_SUCCESS) {
            return e;
        }
        names.emplace_back(name, len);
    }
}

WalkResult walkTree(HKEY top, const std::string& path, std::size_t depth, const KeyVisitor& visit) {
    // One frame per open level: its handle, where its part of `current` ends, its subkeys and the
    // next of them to visit. The path is one string cut back on the way up, so memory stays
    // linear in the depth.
    struct Frame {
        UniqueHKey owned;
        HKEY key{};
        std::size_t pathLength = 0;
        std::vector<std::string> subKeys;
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    std::string current = path;
    WalkResult result;
    const auto enter = [&](UniqueHKey owned, HKEY key) {
        Frame f;
        f.owned = std::move(owned);
        f.key = key;
        f.pathLength = current.size();
        if ((result.error = readSubKeys(key, f.subKeys)) != ERROR_SUCCESS ||
            (result.error = visit(key, current, f.subKeys)) != ERROR_SUCCESS) {
            return false;
        }
        stack.push_back(std::move(f));
        return true;
    };
    if (!enter(UniqueHKey(), top)) {
        return result;
    }
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.subKeys.size()) {
            stack.pop_back();
            continue;
        }
        const std::string& name = f.subKeys[f.next++];
        if (depth + stack.size() > MAX_KEY_DEPTH) {
            result.tooDeep = true;
            return result;
        }
        UniqueHKey child;
        if ((result.error = RegOpenKeyEx(f.key, name.c_str(), 0, KEY_READ, child.put())) !=
            ERROR_SUCCESS) {
            return result;
        }
        current.resize(f.pathLength);
        current += '\\';
        current += name;
        const HKEY handle = child.get();
        if (!enter(std::move(child), handle)) {
            return result;
        }
    }
    return result;
}

}  // namespace regtool
