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

struct AppState {
    // Start-up and logs.
    uint8_t DebugMode = 0;
    std::string DebugLogPath;   // local path of "Varnook.log"
    std::string WindowsFolder;  // folder of the desktop's helper programs (the help viewer)
    std::string ProgramFolder;  // folder of the executable
    std::unique_ptr<StringStore> RegStore;  // the one registry store object
    Preferences Prefs;

    // Which users list the user actions read: 1 = main window, 2 = all-connections window.
    uint8_t UserListSource = 1;
    // Which file list the lock action reads: 1 = main, 2 = other files, 3 = all open files.
    uint8_t LockFileSource = 1;

    // Users of a file and all connections (the query windows fill these).
    uint32_t CurrentServerConnRef = 0;
    std::array<std::string, kUserTableSize> UserNames{};
    std::array<int16_t, kUserTableSize> UserConnNumbers{};
    std::array<std::string, kUserTableSize> AllUserNames{};
    std::array<int16_t, kUserTableSize> AllUserConnNumbers{};

    // The connections the clear and send actions act on, from entry 1, in list order. The table
    // grows with the choice, so every chosen connection is acted on however many there are.
    std::vector<uint16_t> SelectedConnNumbers = std::vector<uint16_t>(kSelectedTableSize);
    // Set when a clear was confirmed, so the action refreshes the list it came from.
    uint8_t ConnectionsCleared = 0;

    // Lock view and the all-open-files walk.
    uint32_t LockServerConnRef = 0;
    uint8_t AllFilesRunning = 0;
};

}  // namespace varnook
