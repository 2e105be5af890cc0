// Bounds-checked byte reader and writer for NCP messages.
//
// Both keep a sticky failure flag instead of throwing: a read past the end, a string that does
// not fit its field or a malformed NDS string sets it, later reads return zeros, and the caller
// checks ok() once at the end. Nothing here ever reads or writes outside the given buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nw::ncp {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

class Reader {
public:
    Reader() = default;
    explicit Reader(ByteView data) : data_(data) {}
    // A reader only borrows its bytes: a temporary buffer would be gone before the first read.
    explicit Reader(Bytes&&) = delete;

    bool ok() const { return ok_; }
    void fail() { ok_ = false; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    bool atEnd() const { return remaining() == 0; }

    std::uint8_t u8() { return static_cast<std::uint8_t>(unsignedBe(1)); }
    std::uint16_t be16() { return static_cast<std::uint16_t>(unsignedBe(2)); }
    std::uint16_t le16() { return static_cast<std::uint16_t>(unsignedLe(2)); }
    std::uint32_t be32() { return static_cast<std::uint32_t>(unsignedBe(4)); }
    std::uint32_t le32() { return static_cast<std::uint32_t>(unsignedLe(4)); }
    std::uint64_t be48() { return unsignedBe(6); }
    std::uint64_t le48() { return unsignedLe(6); }
    std::uint64_t be64() { return unsignedBe(8); }
    std::uint64_t le64() { return unsignedLe(8); }

    // The next n bytes, or an empty view (and failure) when fewer remain.
    ByteView take(std::size_t n);
    // Fills out with the next out.size() bytes (zeros on failure).
    void bytes(std::span<std::uint8_t> out);
    void skip(std::size_t n) { take(n); }
    // Everything that is left.
    ByteView rest() { return take(remaining()); }

    // A fixed field of n bytes holding text padded with NULs: the text up to the first NUL.
    std::string fixedText(std::size_t n);
    // A length byte followed by that many bytes.
    std::string pstring();
    // NUL-terminated text (the NUL is consumed, not returned); fails without a NUL.
    std::string cstring();
    // An NDS string: LE32 byte count, UTF-16LE text with its 2-byte NUL, zero padding to a
    // multiple of 4. Returned as UTF-8; fails on odd counts, a missing NUL or bad UTF-16.
    std::string ndsString();

private:
    // Inline: every field of every record goes through these, so the width is a constant the
    // compiler unrolls.
    std::uint64_t unsignedBe(int n) {
        if (!ok_ || static_cast<std::size_t>(n) > data_.size() - pos_) {
            ok_ = false;
            return 0;
        }
        const std::uint8_t* p = data_.data() + pos_;
        pos_ += static_cast<std::size_t>(n);
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | p[i];
        }
        return v;
    }
    std::uint64_t unsignedLe(int n) {
        if (!ok_ || static_cast<std::size_t>(n) > data_.size() - pos_) {
            ok_ = false;
            return 0;
        }
        const std::uint8_t* p = data_.data() + pos_;
        pos_ += static_cast<std::size_t>(n);
        std::uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) {
            v = (v << 8) | p[i];
        }
        return v;
    }

    ByteView data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

class Writer {
public:
    explicit Writer(Bytes& out) : out_(&out) {}

    bool ok() const { return ok_; }
    void fail() { ok_ = false; }
    std::size_t size() const { return out_->size(); }
    Bytes& buffer() { return *out_; }

    void u8(std::uint8_t v) { out_->push_back(v); }
    void be16(std::uint16_t v) { unsignedBe(v, 2); }
    void le16(std::uint16_t v) { unsignedLe(v, 2); }
    void be32(std::uint32_t v) { unsignedBe(v, 4); }
    void le32(std::uint32_t v) { unsignedLe(v, 4); }
    void be48(std::uint64_t v);
    void le48(std::uint64_t v);
    void be64(std::uint64_t v) { unsignedBe(v, 8); }
    void le64(std::uint64_t v) { unsignedLe(v, 8); }
    // Out of line: GCC 12 inlining vector::insert here warns falsely (-Wstringop-overflow).
    void bytes(ByteView v);
    void zeros(std::size_t n) { out_->insert(out_->end(), n, 0); }

    // Text in a field of n bytes, NUL-padded; fails when the text is longer than n.
    void fixedText(std::string_view text, std::size_t n);
    // Length byte + text; fails above 255 bytes.
    void pstring(std::string_view text);
    // Text + NUL; fails when the text holds a NUL.
    void cstring(std::string_view text);
    // UTF-8 text as an NDS string (see Reader::ndsString); fails on bad UTF-8.
    void ndsString(std::string_view utf8);

    // Rewrites bytes already written (length words filled in afterwards).
    void patchBe16(std::size_t at, std::uint16_t v);
    void patchBe32(std::size_t at, std::uint32_t v);
    void patchLe32(std::size_t at, std::uint32_t v);

private:
    // One resize per field rather than a push_back per byte; inline so the width unrolls.
    void unsignedBe(std::uint64_t v, int n) {
        std::uint8_t* p = grow(n);
        for (int i = n - 1; i >= 0; --i, v >>= 8) {
            p[i] = static_cast<std::uint8_t>(v);
        }
    }
    void unsignedLe(std::uint64_t v, int n) {
        std::uint8_t* p = grow(n);
        for (int i = 0; i < n; ++i, v >>= 8) {
            p[i] = static_cast<std::uint8_t>(v);
        }
    }
    std::uint8_t* grow(int n) {
        const std::size_t at = out_->size();
        out_->resize(at + static_cast<std::size_t>(n));
        return out_->data() + at;
    }

    Bytes* out_;
    bool ok_ = true;
};

// UTF-8 to UTF-16LE bytes and back; false on malformed input.
bool utf8ToUtf16Le(std::string_view utf8, Bytes& out);
bool utf16LeToUtf8(ByteView utf16, std::string& out);

}  // namespace nw::ncp
