// The module state the main program's windows share. One instance lives in the main window; the
// windows it opens get a reference to it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/preferences.h"

namespace varnook {

inline constexpr size_t kUserTableSize = 2001;      // entries 0..2000, used from 1
inline constexpr size_t kSelectedTableSize = 1001;  // entries 0..1000 at first, used from 1
inline constexpr size_t kUserNameWidth = 40;

// A name as the users tables store it: cut or padded with blanks to 40 characters.
inline std::string FixedWidthName(const std::string& name) {
    std::string fixed = name.substr(0, kUserNameWidth);
    fixed.resize(kUserNameWidth, ' ');
    return fixed;
}

// Writes entry k (from 1) of a pair of users tables: the name (stored at 40 characters) and the
// connection number. Both tables grow when k lies past their end, so a file open by more than
// 2000 connections keeps every row; they never shrink, and entries above a query's rows keep what
// an earlier query left there.
inline void StoreUserEntry(std::vector<std::string>& names, std::vector<uint16_t>& numbers,
                           size_t k, const std::string& name, uint16_t number) {
    if (k >= names.size()) {
        names.resize(k + 1);
    }
    if (k >= numbers.size()) {
        numbers.resize(k + 1);
    }
    names[k] = FixedWidthName(name);
    numbers[k] = number;
}

struct AppState {
    // Start-up and logs.
    uint8_t DebugMode = 0;
    std::string DebugLogPath;   // local path of "Varnook.log"
    std::string WindowsFolder;  // folder of the desktop's helper programs (the help viewer)
    std::string ProgramFolder;  // folder of the executable
    std::string LogFolder;      // folder of "Varnook.log" and the default output log
    std::unique_ptr<StringStore> RegStore;  // the one registry store object
    Preferences Prefs;

    // Which users list the user actions read: 1 = main window, 2 = all-connections window.
    uint8_t UserListSource = 1;
    // Which file list the lock action reads: 1 = main, 2 = other files, 3 = all open files.
    uint8_t LockFileSource = 1;

    // Users of a file and all connections (the query windows fill these). Entry k (from 1)
    // describes row k - 1 of the list; see StoreUserEntry. Connection numbers are unsigned 16-bit,
    // so numbers above 32767 keep their value.
    uint32_t CurrentServerConnRef = 0;
    std::vector<std::string> UserNames = std::vector<std::string>(kUserTableSize);
    std::vector<uint16_t> UserConnNumbers = std::vector<uint16_t>(kUserTableSize);
    std::vector<std::string> AllUserNames = std::vector<std::string>(kUserTableSize);
    std::vector<uint16_t> AllUserConnNumbers = std::vector<uint16_t>(kUserTableSize);

    // The connections the clear and send actions act on, from entry 1, in list order. The table
    // grows with the choice, so every chosen connection is acted on however many there are.
    std::vector<uint16_t> SelectedConnNumbers = std::vector<uint16_t>(kSelectedTableSize);
    // Set when a clear was confirmed, so the action refreshes the list it came from.
    uint8_t ConnectionsCleared = 0;

    // The server each users list was filled from. CurrentServerConnRef follows whichever list
    // was filled last (a users-timer tick, All Connections on another server); the rows of each
    // list keep their own server.
    uint32_t MainUsersConnRef = 0;  // lstLoginIDs
    uint32_t AllUsersConnRef = 0;   // the all-connections window

    // The server the user actions address: that of the users list in force.
    uint32_t UserActionConnRef() const {
        return UserListSource == 2 ? AllUsersConnRef : MainUsersConnRef;
    }

    // Lock view and the all-open-files walk.
    uint32_t LockServerConnRef = 0;
    uint8_t AllFilesRunning = 0;
};

}  // namespace varnook
