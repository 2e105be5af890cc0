#include "core/preferences.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/loglocations.h"
#include "platform/text.h"

namespace varnook {

double Val(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
    }
    if (i == digitsStart || (i == digitsStart + 1 && text[digitsStart] == '.')) {
        return 0.0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
                ++j;
            }
            i = j;
        }
    }
    const std::string number = text.substr(start, i - start);
    return std::strtod(number.c_str(), nullptr);
}

int64_t RoundHalfEven(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kLimit = 9.2e18;
    if (v >= kLimit) {
        return static_cast<int64_t>(kLimit);
    }
    if (v <= -kLimit) {
        return -static_cast<int64_t>(kLimit);
    }
    return static_cast<int64_t>(std::nearbyint(v));  // the default rounding mode is to even
}

int ClampWindowInterval(double seconds) {
    const int64_t n = RoundHalfEven(seconds);
    return static_cast<int>(std::clamp<int64_t>(n, kMinInterval, kMaxInterval));
}

std::string DefaultOutputLogPath(const std::string& logFolder) {
    return DecideLogLocations(logFolder).defaultOutputLog;
}

OutputLogChoice ChooseOutputLog(const std::string& name, const std::string& logFolder) {
    if (!name.empty()) {
        return {name, {}};
    }
    const std::string path = DefaultOutputLogPath(logFolder);
    return {path, "The log file name is empty: output is logged to " + path + "."};
}

namespace {

// Reads one value; returns true and the text when at least one character besides the NUL came.
bool ReadValue(StringStore& store, const char* name, std::string& text, int16_t& result) {
    int32_t hive = kHkeyLocalMachine;
    std::string key = kPreferencesKey;
    std::string valueName = name;
    std::string value;
    result = store.ReadStringValue(hive, key, valueName, value);
    if (result <= 1) {
        return false;
    }
    text = value.substr(0, std::min<size_t>(static_cast<size_t>(result) - 1, value.size()));
    return true;
}

int16_t LoadInterval(StringStore& store, const char* name) {
    std::string text;
    int16_t r = 0;
    if (!ReadValue(store, name, text, r)) {
        return kDefaultInterval;
    }
    return static_cast<int16_t>(std::clamp<int64_t>(RoundHalfEven(Val(text)), 0, kMaxInterval));
}

uint8_t LoadFlag(StringStore& store, const char* name) {
    std::string text;
    int16_t r = 0;
    if (!ReadValue(store, name, text, r)) {
        return 0;
    }
    return Val(text) != 0.0 ? 255 : 0;
}

}  // namespace

Preferences LoadPreferences(StringStore& store, const std::string& logFolder) {
    Preferences p;
    p.AutoUpdateServerInterval = LoadInterval(store, "AutoUpdateServerInterval");
    p.AutoUpdateServerStatus = LoadFlag(store, "AutoUpdateServerStatus");
    p.AutoUpdateDrivesInterval = LoadInterval(store, "AutoUpdateDrivesInterval");
    p.AutoUpdateDrivesStatus = LoadFlag(store, "AutoUpdateDrivesStatus");
    p.AutoUpdateUsersInterval = LoadInterval(store, "AutoUpdateUsersInterval");
    p.AutoUpdateUsersStatus = LoadFlag(store, "AutoUpdateUsersStatus");
    std::string text;
    int16_t r = 0;
    if (ReadValue(store, "OutputLogFileName", text, r)) {
        // The store holds code-page text; the path is the host's own (UTF-8).
        p.OutputLogFileName = vnk::text::codePageToUtf8(text);
    } else {
        const OutputLogChoice fallback = ChooseOutputLog({}, logFolder);
        p.OutputLogFileName = fallback.path;
        // Only an empty name comes back as r = 1; anything else did not come back at all.
        p.OutputLogFileNote = r == 1 ? fallback.note
                                     : "The stored log file name cannot be read (it is missing, "
                                       "or 255 characters or longer): output is logged to " +
                                           fallback.path + ".";
    }
    p.LogInfoToFile = 0;
    if (ReadValue(store, "LogInfoToFile", text, r)) {
        // Any number but 0 is on; one that does not fit the flag is on as 255.
        const int64_t n = RoundHalfEven(Val(text));
        p.LogInfoToFile = static_cast<uint8_t>(n >= 0 && n <= 255 ? n : 255);
    }
    return p;
}

TimerSetting TimerFor(int seconds, uint8_t status) {
    TimerSetting t;
    // The timers take at most 65535 ms; an interval below one second (which would fire without
    // pause) is no interval at all.
    t.intervalMs = seconds >= 1 ? std::min(seconds, 65) * 1000 : 0;
    t.enabled = status != 0 && seconds >= 1;
    return t;
}

std::vector<PreferenceWrite> PreferenceWrites(const Preferences& p) {
    auto on = [](uint8_t f) { return f != 0; };
    return {
        {"AutoUpdateServerStatus", on(p.AutoUpdateServerStatus) ? " 1" : " 0",
         "Couldn't update server options."},
        {"AutoUpdateServerInterval", std::to_string(p.AutoUpdateServerInterval),
         "Couldn't update server interval."},
        {"AutoUpdateDrivesStatus", on(p.AutoUpdateDrivesStatus) ? "1" : "0",
         "Couldn't update drives options."},
        {"AutoUpdateDrivesInterval", std::to_string(p.AutoUpdateDrivesInterval),
         "Couldn't update drives interval."},
        {"AutoUpdateUsersStatus", on(p.AutoUpdateUsersStatus) ? "1" : "0",
         "Couldn't update users options."},
        {"AutoUpdateUsersInterval", std::to_string(p.AutoUpdateUsersInterval),
         "Couldn't update users interval."},
        {"OutputLogFileName", vnk::text::utf8ToCodePage(p.OutputLogFileName), ""},
        {"LogInfoToFile", on(p.LogInfoToFile) ? "1" : "0", ""},
    };
}

int16_t WritePreference(StringStore& store, const PreferenceWrite& w) {
    int32_t hive = kHkeyLocalMachine;
    std::string key = kPreferencesKey;
    std::string name = w.name;
    std::string value = w.text;
    uint8_t create = 1;
    return store.WriteStringValue(hive, key, name, value, create);
}

}  // namespace varnook
