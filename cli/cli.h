// varnook-cli: the answers of the Varnook windows in a terminal and in scripts.
#pragma once

#include <string>
#include <vector>

#include "context.h"

namespace varnook::cli {

// Runs the program with its arguments (without the program name) and answers the exit code.
// Messages go to env.err, answers to env.out.
int Run(const std::vector<std::string>& args, Environment& env);

}  // namespace varnook::cli
