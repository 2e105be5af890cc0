// Where the program's log files go. DecideLogLocations is the one place that decides it: the
// start-up, the preferences and the preferences window all ask it.
#pragma once

#include <string>

namespace varnook {

struct LogLocations {
    std::string activityLog;       // "Varnook.log", written in debug mode
    std::string defaultOutputLog;  // "varnook output.log", when no usable name is stored
    std::string outputLogFolder;   // where the log-file dialog opens
};

// Everything lies in the log folder (see LogFolder in installedfiles.h).
LogLocations DecideLogLocations(const std::string& logFolder);

}  // namespace varnook
