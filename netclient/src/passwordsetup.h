// The password sources of the process client's wire back end (passwords.cpp).
#pragma once

#include <memory>

#include "wire/passwords.h"
#include "wire/workstation.h"

namespace nw {

// The password file the program named, else the workstation file's; then the registered
// asker.
std::unique_ptr<wire::PasswordSource> processPasswords(const wire::WorkstationConfig& config);

}  // namespace nw
