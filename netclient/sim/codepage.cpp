#include "codepage.h"

#include <cerrno>
#include <stdexcept>

namespace nw::sim {

namespace {

std::optional<std::string> convert(iconv_t cd, std::string_view in) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    std::string out;
    // iconv takes char** for its input but only reads it.
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG)
            return std::nullopt;
        // iconv counts characters it replaced without an error as irreversible; refuse them.
        if (rc != static_cast<std::size_t>(-1) && rc > 0)
            return std::nullopt;
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return out;
}

// True when each byte of the code page stands alone: bytes below 128 are ASCII, every other byte
// is one character or none, and each character comes back as the same byte. Multi-byte and
// stateful encodings (UTF-8, UTF-16, the East Asian code pages, UTF-7) fail this.
bool isEightBit(iconv_t toPage, iconv_t fromPage) {
    for (int byte = 0; byte < 256; ++byte) {
        std::string single(1, static_cast<char>(byte));
        iconv(fromPage, nullptr, nullptr, nullptr, nullptr);
        char* in = single.data();
        std::size_t inLeft = 1;
        char buffer[16];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(fromPage, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == EILSEQ && byte >= 0x80)
                continue;  // no character; EINVAL: the first byte of a longer sequence
            return false;
        }
        if (iconv(fromPage, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        std::string_view character(buffer, static_cast<std::size_t>(out - buffer));
        if (byte < 0x80 && character != single)
            return false;
        if (character.empty() || convert(toPage, character) != single)
            return false;
    }
    return true;
}

}  // namespace

CodePage::CodePage(const std::string& name) : name_(name) {
    // iconv reads "//TRANSLIT" and "//IGNORE" after a name as ways to hide what does not convert.
    if (name.find('/') != std::string::npos)
        throw std::invalid_argument("a code page name without //suffixes: " + name);
    toPage_ = iconv_open(name.c_str(), "UTF-8");
    if (toPage_ == reinterpret_cast<iconv_t>(-1)) {
        throw std::invalid_argument("unknown code page " + name);
    }
    fromPage_ = iconv_open("UTF-8", name.c_str());
    if (fromPage_ == reinterpret_cast<iconv_t>(-1)) {
        iconv_close(toPage_);
        throw std::invalid_argument("unknown code page " + name);
    }
    if (!isEightBit(toPage_, fromPage_)) {
        iconv_close(toPage_);
        iconv_close(fromPage_);
        throw std::invalid_argument("not an 8-bit code page: " + name);
    }
}

CodePage::~CodePage() {
    iconv_close(toPage_);
    iconv_close(fromPage_);
}

std::optional<std::string> CodePage::fromUtf8(std::string_view utf8) const {
    return convert(toPage_, utf8);
}

std::optional<std::string> CodePage::toUtf8(std::string_view text) const {
    return convert(fromPage_, text);
}

}  // namespace nw::sim
