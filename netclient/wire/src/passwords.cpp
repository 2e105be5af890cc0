#include "wire/passwords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace nw::wire {

namespace {

// Password files are small; a bigger file is refused rather than read.
constexpr std::size_t kMaxPasswordFile = 64 * 1024;

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}

// The next blank-separated word of line from pos.
std::string_view word(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && blank(line[pos])) {
        ++pos;
    }
    const std::size_t start = pos;
    while (pos < line.size() && !blank(line[pos])) {
        ++pos;
    }
    return line.substr(start, pos - start);
}

}  // namespace

bool readPasswordFile(const std::filesystem::path& file, const std::string& server,
                      const std::string& user, Secret& out, bool& found, std::string& why) {
    found = false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        why = "the password file " + file.string() + " cannot be opened: " +
              (errno == ELOOP ? std::string("it is a symbolic link") : std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "the password file " + file.string() + " is not a regular file";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        ::close(fd);
        why = "the password file " + file.string() + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        ::close(fd);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        why = "the password file " + file.string() + " may be read by others (mode " + mode +
              "); make it 0600";
        return false;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxPasswordFile) {
        ::close(fd);
        why = "the password file " + file.string() + " is larger than 64 KiB";
        return false;
    }
    Secret content(kMaxPasswordFile);
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        if (!content.append(chunk, static_cast<std::size_t>(n))) {
            break;
        }
    }
    ::explicit_bzero(chunk, sizeof chunk);
    ::close(fd);

    const std::string_view text = content.text();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::size_t pos = 0;
        const std::string_view lineServer = word(line, pos);
        if (lineServer.empty() || lineServer.front() == '#') {
            continue;
        }
        const std::string_view lineUser = word(line, pos);
        if (!sameNoCase(lineServer, server) || !sameNoCase(lineUser, user)) {
            continue;
        }
        // One blank separates the user from the password, which runs to the end of the line.
        const std::string_view password =
            pos < line.size() ? line.substr(pos + 1) : std::string_view();
        out.clear();
        if (!out.append(password.data(), password.size())) {
            why = "a password in " + file.string() + " is too long";
            return false;
        }
        found = true;
        return true;
    }
    return true;
}

std::optional<Secret> PasswordFile::password(const PasswordRequest& request, std::string& missing) {
    Secret secret;
    bool found = false;
    if (!readPasswordFile(file_, request.server, request.user, secret, found, missing)) {
        return std::nullopt;
    }
    if (!found) {
        missing =
            "no password for " + request.user + " on " + request.server + " in " + file_.string();
        return std::nullopt;
    }
    return secret;
}

std::optional<Secret> PasswordChain::password(const PasswordRequest& request,
                                              std::string& missing) {
    if (!request.personOnly || !second_ || !second_->interactive()) {
        std::optional<Secret> first = first_->password(request, missing);
        if (first || !second_) {
            return first;
        }
    }
    std::string why;
    std::optional<Secret> second = second_->password(request, why);
    if (!second) {
        missing = missing.empty() ? why : missing + "; " + why;
    }
    return second;
}

bool PasswordChain::interactive() const {
    return (second_ && second_->interactive()) || first_->interactive();
}

}  // namespace nw::wire
