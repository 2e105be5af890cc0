// The process client's password sources, and the secret memory a typed password goes into.
#include "netclient/passwords.h"

#include "passwordsetup.h"
#include "wire/secret.h"

namespace nw {

namespace {
constexpr std::size_t kMaxPassword = 255;
}  // namespace

struct PasswordEntry::Impl {
    wire::Secret secret{kMaxPassword};
};

namespace {

struct Registered {
    PasswordAsker asker;
    std::string file;
};

Registered& registered() {
    static Registered r;
    return r;
}

// Asks a person through the program's asker.
std::optional<wire::Secret> ask(const wire::PasswordRequest& request, std::string& missing) {
    const PasswordAsker& asker = registered().asker;
    if (!asker) {
        missing = "nobody to ask for it";
        return std::nullopt;
    }
    PasswordQuestion question{request.server, request.user, request.again, request.refusal};
    PasswordEntry entry;
    if (!asker(question, entry, missing)) {
        return std::nullopt;
    }
    return std::move(entry.impl().secret);
}

}  // namespace

PasswordEntry::PasswordEntry() : impl_(std::make_unique<Impl>()) {}
PasswordEntry::~PasswordEntry() = default;

bool PasswordEntry::push(char c) {
    return impl_->secret.size() < kMaxPassword && impl_->secret.push(c);
}

bool PasswordEntry::append(std::string_view text) {
    return impl_->secret.size() + text.size() <= kMaxPassword &&
           impl_->secret.append(text.data(), text.size());
}

void PasswordEntry::pop() {
    impl_->secret.pop();
}

void PasswordEntry::clear() {
    impl_->secret.clear();
}

std::size_t PasswordEntry::size() const {
    return impl_->secret.size();
}

std::string_view PasswordEntry::view() const {
    return impl_->secret.text();
}

void setPasswordAsker(PasswordAsker asker) {
    registered().asker = std::move(asker);
}

void setPasswordFile(const std::string& path) {
    registered().file = path;
}

std::unique_ptr<wire::PasswordSource> processPasswords(const wire::WorkstationConfig& config) {
    std::unique_ptr<wire::PasswordSource> file;
    if (!registered().file.empty()) {
        file = std::make_unique<wire::PasswordFile>(registered().file);
    } else if (config.passwordFile) {
        file = std::make_unique<wire::PasswordFile>(*config.passwordFile);
    }
    auto person = std::make_unique<wire::PasswordPrompt>(ask);
    if (!registered().asker) {
        if (file) {
            return file;
        }
        return person;  // answers "nobody to ask for it"
    }
    if (!file) {
        return person;
    }
    return std::make_unique<wire::PasswordChain>(std::move(file), std::move(person));
}

}  // namespace nw
