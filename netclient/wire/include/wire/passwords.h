// Where the wire back end gets the passwords it logs in with.
//
// A password file holds lines "SERVER USER PASSWORD" (the password is the rest of the line and
// may hold blanks; a line without it means an empty password; '#' starts a comment line;
// server and user names are matched without regard to case). It is refused unless it is a
// regular file owned by the user, with no rights for group or others (mode 0600 or 0400):
// anyone else who could read it could log in as its users.
//
// Passwords live only in Secret memory while a login needs them; the back end keeps the 16-byte
// hash, never the password.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "wire/secret.h"

namespace nw::wire {

struct PasswordRequest {
    std::string server;  // upper case, workstation code page
    std::string user;
    // The server refused the password given last time (wrong password, account locked):
    // only a different one is worth sending.
    bool again = false;
    std::string refusal;  // why, for the person asked ("Wrong password.")
    // The password file's entry is the one refused: only a person can give another.
    bool personOnly = false;
};

class PasswordSource {
public:
    virtual ~PasswordSource() = default;
    // The password, or nullopt with the reason in `missing` ("no line for JSMITH on FS1 in
    // /path/passwords", "cancelled").
    virtual std::optional<Secret> password(const PasswordRequest& request,
                                           std::string& missing) = 0;
    // Whether asking again can give a different answer right away (a person types it).
    virtual bool interactive() const { return false; }
};

// Reads the file afresh on every request, so a password changed in it is seen.
class PasswordFile final : public PasswordSource {
public:
    explicit PasswordFile(std::filesystem::path file) : file_(std::move(file)) {}
    std::optional<Secret> password(const PasswordRequest& request, std::string& missing) override;
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

// Asks a person: the window's login dialog, the terminal without echo.
class PasswordPrompt final : public PasswordSource {
public:
    using Ask = std::function<std::optional<Secret>(const PasswordRequest&, std::string& missing)>;
    explicit PasswordPrompt(Ask ask) : ask_(std::move(ask)) {}
    std::optional<Secret> password(const PasswordRequest& request, std::string& missing) override {
        return ask_(request, missing);
    }
    bool interactive() const override { return true; }

private:
    Ask ask_;
};

// The first source that has a password: a file, then a person. After a refusal the file's
// (unchanged) password is skipped in favour of the person, when there is one.
class PasswordChain final : public PasswordSource {
public:
    PasswordChain(std::unique_ptr<PasswordSource> first, std::unique_ptr<PasswordSource> second)
        : first_(std::move(first)), second_(std::move(second)) {}
    std::optional<Secret> password(const PasswordRequest& request, std::string& missing) override;
    bool interactive() const override;

private:
    std::unique_ptr<PasswordSource> first_;
    std::unique_ptr<PasswordSource> second_;
};

// Reads a password file's entry for (server, user) into out. nullopt and the reason when the
// file cannot be used; an entry that is absent answers true with `found` false.
bool readPasswordFile(const std::filesystem::path& file, const std::string& server,
                      const std::string& user, Secret& out, bool& found, std::string& why);

}  // namespace nw::wire
