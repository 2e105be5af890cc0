#include "ncp/bytes.h"

#include <algorithm>

namespace nw::ncp {

ByteView Reader::take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return {};
    }
    ByteView out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
}

void Reader::bytes(std::span<std::uint8_t> out) {
    ByteView b = take(out.size());
    if (b.size() == out.size()) {
        std::copy(b.begin(), b.end(), out.begin());
    } else {
        std::fill(out.begin(), out.end(), 0);
    }
}

std::string Reader::fixedText(std::size_t n) {
    ByteView b = take(n);
    auto end = std::find(b.begin(), b.end(), 0);
    return std::string(b.begin(), end);
}

std::string Reader::pstring() {
    std::size_t n = u8();
    ByteView b = take(n);
    return std::string(b.begin(), b.end());
}

std::string Reader::cstring() {
    if (!ok_) {
        return {};
    }
    ByteView left = data_.subspan(pos_);
    auto nul = std::find(left.begin(), left.end(), 0);
    if (nul == left.end()) {
        ok_ = false;
        return {};
    }
    std::string out(left.begin(), nul);
    pos_ += out.size() + 1;
    return out;
}

std::string Reader::ndsString() {
    const std::uint32_t count = le32();
    if (!ok_ || count % 2 != 0 || count > remaining()) {
        ok_ = false;
        return {};
    }
    // Count 0 is an empty string too (Nmap sends it for "no filter").
    if (count == 0) {
        return {};
    }
    ByteView text = take(count);
    if (text[count - 1] != 0 || text[count - 2] != 0) {
        ok_ = false;
        return {};
    }
    const std::size_t pad = (4 - count % 4) % 4;
    // The padding is optional at the very end of a message.
    skip(std::min(pad, remaining()));
    // Some clients pad with further NUL characters inside the count.
    std::size_t end = count;
    while (end >= 2 && text[end - 1] == 0 && text[end - 2] == 0) {
        end -= 2;
    }
    std::string out;
    if (!utf16LeToUtf8(text.first(end), out) || out.find('\0') != std::string::npos) {
        ok_ = false;
        return {};
    }
    return out;
}

void Writer::bytes(ByteView v) {
    out_->insert(out_->end(), v.begin(), v.end());
}

void Writer::be48(std::uint64_t v) {
    if (v >> 48) {
        ok_ = false;
    }
    unsignedBe(v, 6);
}

void Writer::le48(std::uint64_t v) {
    if (v >> 48) {
        ok_ = false;
    }
    unsignedLe(v, 6);
}

void Writer::fixedText(std::string_view text, std::size_t n) {
    if (text.size() > n) {
        ok_ = false;
        text = text.substr(0, n);
    }
    out_->insert(out_->end(), text.begin(), text.end());
    zeros(n - text.size());
}

void Writer::pstring(std::string_view text) {
    if (text.size() > 255) {
        ok_ = false;
        text = text.substr(0, 255);
    }
    u8(static_cast<std::uint8_t>(text.size()));
    out_->insert(out_->end(), text.begin(), text.end());
}

void Writer::cstring(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        ok_ = false;
    }
    out_->insert(out_->end(), text.begin(), text.end());
    u8(0);
}

void Writer::ndsString(std::string_view utf8) {
    Bytes text;
    if (!utf8ToUtf16Le(utf8, text) || utf8.find('\0') != std::string_view::npos) {
        ok_ = false;
        text.clear();
    }
    text.push_back(0);
    text.push_back(0);
    le32(static_cast<std::uint32_t>(text.size()));
    bytes(text);
    zeros((4 - text.size() % 4) % 4);
}

void Writer::patchBe16(std::size_t at, std::uint16_t v) {
    if (at + 2 > out_->size()) {
        ok_ = false;
        return;
    }
    (*out_)[at] = static_cast<std::uint8_t>(v >> 8);
    (*out_)[at + 1] = static_cast<std::uint8_t>(v);
}

void Writer::patchBe32(std::size_t at, std::uint32_t v) {
    if (at + 4 > out_->size()) {
        ok_ = false;
        return;
    }
    for (int i = 0; i < 4; ++i) {
        (*out_)[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}

void Writer::patchLe32(std::size_t at, std::uint32_t v) {
    if (at + 4 > out_->size()) {
        ok_ = false;
        return;
    }
    for (int i = 0; i < 4; ++i) {
        (*out_)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

bool utf8ToUtf16Le(std::string_view utf8, Bytes& out) {
    auto put = [&out](std::uint32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<std::uint8_t>(utf8[i]);
        std::uint32_t cp = 0;
        std::size_t len = 0;
        if (b0 < 0x80) {
            cp = b0;
            len = 1;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            len = 2;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            len = 3;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > utf8.size()) {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            const auto b = static_cast<std::uint8_t>(utf8[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 | (cp >> 10));
            put(0xDC00 | (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    return true;
}

bool utf16LeToUtf8(ByteView utf16, std::string& out) {
    if (utf16.size() % 2 != 0) {
        return false;
    }
    out.clear();
    for (std::size_t i = 0; i < utf16.size(); i += 2) {
        std::uint32_t cp = utf16[i] | (utf16[i + 1] << 8);
        if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 3 >= utf16.size()) {
                return false;
            }
            std::uint32_t low = utf16[i + 2] | (utf16[i + 3] << 8);
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return true;
}

}  // namespace nw::ncp
