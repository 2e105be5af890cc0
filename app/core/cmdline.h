// What `varnook --help` and `varnook --version` answer. They are answered before any window is
// made, so they work without a display; every other command line goes to the main window as it
// is (the exact argument "/debug" turns the activity log on).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnook {

// The text to print for the program's arguments (without the program name), or nullopt when the
// program should start. --help (or -h) wins over --version (or -V).
std::optional<std::string> InfoAnswer(const std::vector<std::string>& args);

}  // namespace varnook
