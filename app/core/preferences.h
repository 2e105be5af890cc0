// The eight preferences, their registry forms, and how they reach the refresh timers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnook {

inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr const char* kPreferencesKey = "Software\\Kelm\\Varnook\\1.0.2";
inline constexpr int kDefaultInterval = 30;
inline constexpr int kMinInterval = 1;
inline constexpr int kMaxInterval = 60;
// The log file name box takes this many characters, so that a stored name always reads back.
inline constexpr int kMaxLogFileNameLength = 254;

struct Preferences {
    int16_t AutoUpdateServerInterval = kDefaultInterval;
    uint8_t AutoUpdateServerStatus = 0;
    int16_t AutoUpdateDrivesInterval = kDefaultInterval;
    uint8_t AutoUpdateDrivesStatus = 0;
    int16_t AutoUpdateUsersInterval = kDefaultInterval;
    uint8_t AutoUpdateUsersStatus = 0;
    std::string OutputLogFileName;  // a local path (UTF-8)
    uint8_t LogInfoToFile = 0;
    // Why OutputLogFileName is the default file and not the stored name (a stored name that is
    // empty or cannot be read); empty when the stored name is in force. Never stored.
    std::string OutputLogFileNote;
};

// The string store the preferences live in: the two methods of the registry store class, with
// every argument by reference. Texts are in the workstation's code page.
class StringStore {
public:
    virtual ~StringStore() = default;
    virtual int16_t ReadStringValue(int32_t& Hive, std::string& RegLoc, std::string& Name,
                                    std::string& Value) = 0;
    virtual int16_t WriteStringValue(int32_t& Hive, std::string& RegLoc, std::string& Name,
                                     std::string& Value, uint8_t& CreateIfNotThere) = 0;
};

// The leading numeric part of a text: blanks skipped, then sign, digits, decimals and exponent as
// far as they go; 0 when there is no number.
double Val(const std::string& text);

// Rounds to the nearest integer, ties to even, saturating at the limits of a 64-bit integer.
int64_t RoundHalfEven(double v);

// An interval typed into the preferences window, kept within 1 to 60 seconds.
int ClampWindowInterval(double seconds);

// The output log when no usable name is stored ("varnook output.log", see loglocations.h).
std::string DefaultOutputLogPath(const std::string& logFolder);

// What an output log name stands for: the name itself, or the default file with a note saying
// why when the name is empty.
struct OutputLogChoice {
    std::string path;
    std::string note;
};
OutputLogChoice ChooseOutputLog(const std::string& name, const std::string& logFolder);

// Reads the preferences through the store, with defaults for what cannot be read and every
// number clamped into its field: intervals to 0..60 seconds (0 keeps its timer off), the log flag
// to 0..255 with any other non-zero number on (255), flags that are on to 255. A stored log path
// that is empty or cannot be read (missing, or 255 characters and more) gives the default path,
// and OutputLogFileNote says so.
Preferences LoadPreferences(StringStore& store, const std::string& logFolder);

// What one refresh timer does with an interval and a flag.
struct TimerSetting {
    int intervalMs = 0;
    bool enabled = false;
};

// A timer runs only when its flag is on and its interval is at least one second; it never gets
// an interval it cannot take (intervalMs is 0 for an interval below one second).
TimerSetting TimerFor(int seconds, uint8_t status);

// One write of Apply: the value name, the text stored, and the message shown when it fails
// (empty when the result is not checked).
struct PreferenceWrite {
    std::string name;
    std::string text;
    std::string failureMessage;
};

// The writes of Apply for the given preferences, in their order.
std::vector<PreferenceWrite> PreferenceWrites(const Preferences& p);

// Writes one value below the preferences key, creating it when absent; returns the store's result.
int16_t WritePreference(StringStore& store, const PreferenceWrite& w);

}  // namespace varnook
