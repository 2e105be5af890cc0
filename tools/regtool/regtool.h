// regtool's commands as a function, so tests run them without a process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace regtool {

// argv without the program name, e.g. {"query", "HKLM\\Software", "/s"}. Questions (overwrite?
// delete?) are read from `in`. Returns the exit code: 0 success, 1 failure.
int run(const std::vector<std::string>& argv, std::istream& in, std::ostream& out,
        std::ostream& err);

}  // namespace regtool
