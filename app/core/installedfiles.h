// Where the program finds and keeps its own files: beside it when it runs from a build tree, in
// the Linux install layout (../share/varnook for data, $XDG_STATE_HOME/varnook for logs) when it
// is installed.
#pragma once

#include <string>

namespace varnook {

// True when programFolder is the bin folder of a CMake build tree (its parent holds
// CMakeCache.txt).
bool IsBuildTreeFolder(const std::string& programFolder);

// The folder of the activity log and of the default output log. From a build tree the user may
// write to, the program's own folder. Otherwise (installed, where /usr/bin can never take a log,
// or a folder the user cannot write) $XDG_STATE_HOME/varnook, by default ~/.local/state/varnook,
// created 0700 when missing. A folder that cannot be created is still returned: writing the log
// then reports why.
std::string LogFolder(const std::string& programFolder);

// The help page: beside the program when it is there, else in ../share/varnook.
std::string HelpFilePath(const std::string& programFolder);

}  // namespace varnook
