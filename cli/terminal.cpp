#include "terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/text.h"

namespace varnook::cli {

namespace {

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0 && errno != EINTR) {
            return;
        }
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

// While alive: the terminal does not echo, and Ctrl-C ends the read instead of being
// restarted after it. Both are put back however the prompt ends.
class QuietTerminal {
public:
    explicit QuietTerminal(int fd) : fd_(fd) {
        ok_ = ::tcgetattr(fd_, &saved_) == 0;
        if (ok_) {
            termios quiet = saved_;
            quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
            quiet.c_lflag |= ICANON;
            ::tcsetattr(fd_, TCSAFLUSH, &quiet);
        }
        struct sigaction interrupt {};
        interrupt.sa_handler = [](int) {};
        sigemptyset(&interrupt.sa_mask);
        interrupt.sa_flags = 0;  // no SA_RESTART: the read returns EINTR
        ::sigaction(SIGINT, &interrupt, &savedInt_);
    }
    ~QuietTerminal() {
        if (ok_) {
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
        ::sigaction(SIGINT, &savedInt_, nullptr);
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

private:
    int fd_;
    bool ok_ = false;
    termios saved_{};
    struct sigaction savedInt_ {};
};

}  // namespace

bool AskPasswordOnTerminal(const nw::PasswordQuestion& question, nw::PasswordEntry& entry,
                           std::string& why, const std::string& codePage) {
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0) {
        why = "no terminal to ask for it on";
        return false;
    }
    const std::string user = vnk::text::codePageToUtf8(question.user, codePage);
    const std::string server = vnk::text::codePageToUtf8(question.server, codePage);
    std::string prompt;
    if (question.again) {
        prompt += (question.refusal.empty() ? std::string("The password was refused.")
                                            : question.refusal) +
                  "\n";
    }
    prompt += "Password for " + user + " on " + server + ": ";
    bool complete = false;
    {
        QuietTerminal quiet(tty);
        writeAll(tty, prompt);
        for (;;) {
            char c = 0;
            const ssize_t n = ::read(tty, &c, 1);
            if (n <= 0) {
                why = n < 0 && errno == EINTR ? "interrupted" : "the input ended";
                break;
            }
            if (c == '\n' || c == '\r') {
                complete = true;
                break;
            }
            if (!entry.push(c)) {
                why = "the password is longer than 255 bytes";
                break;
            }
            c = 0;
        }
    }
    writeAll(tty, "\n");
    ::close(tty);
    if (!complete) {
        entry.clear();
    }
    return complete;
}

}  // namespace varnook::cli
