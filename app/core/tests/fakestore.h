// An in-memory string store that answers as the registry store class does.
#pragma once

#include <map>
#include <string>

#include "core/preferences.h"

namespace varnook {

class FakeStore : public StringStore {
public:
    bool keyExists = true;
    bool writable = true;
    std::map<std::string, std::string> values;
    int writes = 0;

    int16_t ReadStringValue(int32_t&, std::string&, std::string& Name,
                            std::string& Value) override {
        if (!keyExists) {
            return -1;
        }
        Value.assign(255, ' ');
        const auto it = values.find(Name);
        if (it == values.end() || it->second.size() + 1 > 255) {
            return -2;
        }
        Value.replace(0, it->second.size(), it->second);
        Value[it->second.size()] = '\0';
        return static_cast<int16_t>(it->second.size() + 1);
    }
    int16_t WriteStringValue(int32_t&, std::string&, std::string& Name, std::string& Value,
                             uint8_t& CreateIfNotThere) override {
        ++writes;
        if (!keyExists) {
            return 1;
        }
        if (!writable) {
            return 3;
        }
        if (values.count(Name) == 0 && CreateIfNotThere == 0) {
            return 0;
        }
        values[Name] = Value;
        return 0;
    }
};

}  // namespace varnook
