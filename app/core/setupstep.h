// The installation step before the program starts: varnook-setup beside the program registers
// the component libraries for the user who starts it and creates the preferences key (see
// tools/varnook-setup). The program itself never creates that key.
#pragma once

#include <string>

namespace varnook {

// The folder of the running executable (from /proc/self/exe); empty when it cannot be read.
std::string ExecutableFolder();

// Runs programFolder/varnook-setup --quiet and waits for it. Returns its exit status: 0 also when
// there is no varnook-setup beside the program; -1 when it could not be started or was killed.
int RunInstallationStep(const std::string& programFolder);

}  // namespace varnook
