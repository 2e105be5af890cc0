#include "codepage.h"

#include <iconv.h>

#include <cerrno>

namespace nw::wire {

std::optional<std::string> utf8ToCodePage(std::string_view utf8, const std::string& codePage) {
    iconv_t cd = ::iconv_open(codePage.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(utf8.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    const std::size_t rc = ::iconv(cd, &in, &inLeft, &to, &toLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || rc != 0) {
        return std::nullopt;  // invalid input or a character converted approximately
    }
    out.resize(out.size() - toLeft);
    return out;
}

bool knownCodePage(const std::string& codePage) {
    iconv_t cd = ::iconv_open(codePage.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    ::iconv_close(cd);
    return true;
}

}  // namespace nw::wire
