// Conversion between UTF-8 (the network file, the disk) and the workstation's 8-bit code page
// (texts crossing the client interface), through iconv.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace nw::sim {

class CodePage {
public:
    // name: an iconv name of an 8-bit, ASCII-based code page such as "WINDOWS-1252". Throws
    // std::invalid_argument when iconv does not know it or it is not such a code page (UTF-8,
    // UTF-16, a multi-byte code page, a name with iconv's "//" options).
    explicit CodePage(const std::string& name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    const std::string& name() const { return name_; }
    // nullopt when the text is not valid UTF-8 or holds a character the code page lacks.
    std::optional<std::string> fromUtf8(std::string_view utf8) const;
    // nullopt when the bytes are not text of the code page.
    std::optional<std::string> toUtf8(std::string_view text) const;

private:
    std::string name_;
    iconv_t toPage_;
    iconv_t fromPage_;
};

}  // namespace nw::sim
