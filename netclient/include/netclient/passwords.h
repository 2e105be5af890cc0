// How the program's own client gets the passwords its wire back end logs in with: a password
// file (the workstation file's passwordFile, or one the program names), then a person, asked
// through the asker the program registers (the window's login dialog, the terminal). Only the
// connections the program opens ask. Register before NWCallsInit.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "netclient/export.h"

namespace nw {

// Room for one password as a person types it: memory left out of core dumps, wiped after the
// login used it. Never copied.
class NWC_API PasswordEntry {
public:
    PasswordEntry();
    ~PasswordEntry();
    PasswordEntry(const PasswordEntry&) = delete;
    PasswordEntry& operator=(const PasswordEntry&) = delete;

    // false (nothing added) when the password would be longer than 255 bytes.
    bool push(char c);
    bool append(std::string_view text);
    void pop();
    void clear();
    std::size_t size() const;
    // What was typed (valid while the entry lives and is not changed).
    std::string_view view() const;

    struct Impl;
    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

struct PasswordQuestion {
    std::string server;  // workstation code page
    std::string user;
    bool again = false;   // the server refused the last password given
    std::string refusal;  // why, to show ("Wrong password.")
};

// Fills entry and answers true, or answers false with the reason in why ("cancelled", "no
// terminal to ask on").
using PasswordAsker =
    std::function<bool(const PasswordQuestion& question, PasswordEntry& entry, std::string& why)>;

NWC_API void setPasswordAsker(PasswordAsker asker);
// A password file used instead of the workstation file's (varnook-cli --password-file).
NWC_API void setPasswordFile(const std::string& path);

}  // namespace nw
