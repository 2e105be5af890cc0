#include "platform/text.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace vnk::text {
namespace {

// Windows-1252, bytes 0x80 to 0x9F; the rest is Latin-1. Unassigned bytes keep their C1 value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t cp1252ToUnicode(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) {
        return kCp1252High[b - 0x80];
    }
    return b;
}

// -1 when the character has no byte in Windows-1252.
int unicodeToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

// Appends the byte of `c`, or "?" when Windows-1252 has none.
void appendCp1252(std::string& out, char32_t c, bool* lossy) {
    const int b = unicodeToCp1252(c);
    if (b < 0) {
        out += '?';
        if (lossy != nullptr) {
            *lossy = true;
        }
    } else {
        out += static_cast<char>(b);
    }
}

bool isCp1252(std::string_view name) {
    std::string n;
    for (char c : name) {
        if (c != '-' && c != '_') {
            n += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        }
    }
    return n == "WINDOWS1252" || n == "CP1252" || n == "1252";
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns false (and consumes nothing) when malformed.
bool decodeUtf8(std::string_view s, std::size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    }
    int len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return false;
    }
    i += static_cast<std::size_t>(len);
    return true;
}

// Runs iconv over the whole input; an unconvertible or invalid sequence is replaced by `bad`
// (in the target encoding) and one input byte is skipped.
std::string runIconv(std::string_view in, const char* to, const char* from, std::string_view bad,
                     bool* lossy) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (lossy != nullptr) {
            *lossy = true;
        }
        return std::string(in);
    }
    std::string out;
    std::vector<char> buf(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = buf.data();
        std::size_t outLeft = buf.size();
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf.data(), buf.size() - outLeft);
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            out += bad;
            if (lossy != nullptr) {
                *lossy = true;
            }
            ++inPtr;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

const std::string& workstationCodePage() {
    static const std::string name = [] {
        const char* env = std::getenv("VARNOOK_CODEPAGE");
        return std::string(env != nullptr && *env != '\0' ? env : "WINDOWS-1252");
    }();
    return name;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    char32_t c = 0;
    while (i < bytes.size()) {
        if (!decodeUtf8(bytes, i, c)) {
            return false;
        }
    }
    return true;
}

std::string codePageToUtf8(std::string_view bytes, std::string_view codePage) {
    if (isCp1252(codePage)) {
        std::string out;
        out.reserve(bytes.size() + bytes.size() / 4);
        for (char b : bytes) {
            appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(b)));
        }
        return out;
    }
    return runIconv(bytes, "UTF-8", std::string(codePage).c_str(), "\xEF\xBF\xBD", nullptr);
}

std::string utf8ToCodePage(std::string_view utf8, std::string_view codePage, bool* lossy) {
    if (isCp1252(codePage)) {
        std::string out;
        out.reserve(utf8.size());
        std::size_t i = 0;
        while (i < utf8.size()) {
            char32_t c = 0;
            if (!decodeUtf8(utf8, i, c)) {
                // Not UTF-8: keep the byte as it is rather than lose it.
                out += utf8[i++];
                continue;
            }
            appendCp1252(out, c, lossy);
        }
        return out;
    }
    const std::string target = std::string(codePage);
    return runIconv(utf8, target.c_str(), "UTF-8", "?", lossy);
}

std::string codePageToUtf8(std::string_view bytes) {
    return codePageToUtf8(bytes, workstationCodePage());
}

std::string utf8ToCodePage(std::string_view utf8, bool* lossy) {
    return utf8ToCodePage(utf8, workstationCodePage(), lossy);
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        if (!decodeUtf8(utf8, i, c)) {
            c = 0xFFFD;
            ++i;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string codePageToWide(std::string_view bytes) {
    if (isCp1252(workstationCodePage())) {
        std::u16string out;
        out.reserve(bytes.size());
        for (char b : bytes) {
            out += static_cast<char16_t>(cp1252ToUnicode(static_cast<unsigned char>(b)));
        }
        return out;
    }
    return utf8ToUtf16(codePageToUtf8(bytes));
}

std::string wideToCodePage(std::u16string_view wide, bool* lossy) {
    if (isCp1252(workstationCodePage())) {
        std::string out;
        out.reserve(wide.size());
        for (char16_t c : wide) {
            appendCp1252(out, c, lossy);
        }
        return out;
    }
    return utf8ToCodePage(utf16ToUtf8(wide), lossy);
}

std::string strText(std::int64_t n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

int twipsToPixels(int twips, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel(dpi)));
}

int pixelsToTwips(int pixels, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(pixels) * twipsPerPixel(dpi)));
}

}  // namespace vnk::text
