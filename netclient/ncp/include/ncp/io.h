// The two field walkers every call description is written against.
//
// A message struct lists its fields once, in wire order:
//
//     struct Reply {
//         std::uint32_t objectId = 0;
//         std::string name;
//         template <class Io, class M> static void fields(Io& io, M& m) {
//             io.be32(m.objectId);
//             io.text(m.name, 48);
//         }
//     };
//
// Encoder walks it to write bytes, Decoder to read them; so the two directions cannot drift.
// Encoder is handed a const message and Decoder a mutable one, so a description that only
// compiles one way is caught at build time (every description is instantiated both ways).
// Fields may depend on fields before them (plain `if` on an already decoded member).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "ncp/bytes.h"

namespace nw::ncp {

// Width and byte order of a count field in front of a repeated group.
enum class Count : std::uint8_t { U8, Be16, Le16, Be32, Le32 };

inline constexpr std::uint64_t countLimit(Count c) {
    return c == Count::U8 ? 0xFF : (c == Count::Be16 || c == Count::Le16) ? 0xFFFF : 0xFFFFFFFF;
}

class Encoder {
public:
    static constexpr bool decoding = false;

    explicit Encoder(Bytes& out) : w_(out) {}
    bool ok() const { return w_.ok(); }
    void fail() { w_.fail(); }
    Writer& writer() { return w_; }

    void u8(std::uint8_t v) { w_.u8(v); }
    void be16(std::uint16_t v) { w_.be16(v); }
    void le16(std::uint16_t v) { w_.le16(v); }
    void be32(std::uint32_t v) { w_.be32(v); }
    void le32(std::uint32_t v) { w_.le32(v); }
    void be48(std::uint64_t v) { w_.be48(v); }
    void le48(std::uint64_t v) { w_.le48(v); }
    void be64(std::uint64_t v) { w_.be64(v); }
    void le64(std::uint64_t v) { w_.le64(v); }
    template <std::size_t N>
    void bytes(const std::array<std::uint8_t, N>& v) {
        w_.bytes(v);
    }
    void text(const std::string& v, std::size_t n) { w_.fixedText(v, n); }
    void pstring(const std::string& v) { w_.pstring(v); }
    void cstring(const std::string& v) { w_.cstring(v); }
    void nds(const std::string& v) { w_.ndsString(v); }
    // Reserved bytes: written as zeros, skipped when read.
    void zeros(std::size_t n) { w_.zeros(n); }
    // Exactly n bytes of data (fails when v holds another number).
    void raw(const Bytes& v, std::size_t n) {
        if (v.size() != n) {
            w_.fail();
        }
        w_.bytes(v);
    }
    // All remaining bytes of the message.
    void rest(const Bytes& v) { w_.bytes(v); }
    // A count field followed by that many bytes.
    void blob(Count c, const Bytes& v) {
        if (v.size() > countLimit(c)) {
            w_.fail();
        }
        putCount(c, static_cast<std::uint32_t>(v.size()));
        w_.bytes(v);
    }
    template <class T>
    void record(const T& v) {
        std::remove_cvref_t<T>::fields(*this, v);
    }

    // A count field for v, whose elements come later (elements()); n receives the count.
    template <class Vec>
    void countOf(Count c, const Vec& v, std::uint32_t& n) {
        if (v.size() > countLimit(c)) {
            w_.fail();
        }
        n = static_cast<std::uint32_t>(v.size());
        putCount(c, n);
    }
    template <class Vec, class F>
    void elements(const Vec& v, std::uint32_t n, F each) {
        if (n != v.size()) {
            w_.fail();
        }
        for (const auto& e : v) {
            each(*this, e);
        }
    }
    // A count field followed at once by that many elements.
    template <class Vec, class F>
    void list(Count c, const Vec& v, F each) {
        std::uint32_t n = 0;
        countOf(c, v, n);
        elements(v, n, each);
    }
    // Elements up to the end of the message, with no count field.
    template <class Vec, class F>
    void untilEnd(const Vec& v, F each) {
        for (const auto& e : v) {
            each(*this, e);
        }
    }

private:
    void putCount(Count c, std::uint32_t n) {
        switch (c) {
            case Count::U8:
                w_.u8(static_cast<std::uint8_t>(n));
                break;
            case Count::Be16:
                w_.be16(static_cast<std::uint16_t>(n));
                break;
            case Count::Le16:
                w_.le16(static_cast<std::uint16_t>(n));
                break;
            case Count::Be32:
                w_.be32(n);
                break;
            case Count::Le32:
                w_.le32(n);
                break;
        }
    }

    Writer w_;
};

class Decoder {
public:
    static constexpr bool decoding = true;

    explicit Decoder(ByteView in) : r_(in) {}
    explicit Decoder(Bytes&&) = delete;
    bool ok() const { return r_.ok(); }
    void fail() { r_.fail(); }
    Reader& reader() { return r_; }

    void u8(std::uint8_t& v) { v = r_.u8(); }
    void be16(std::uint16_t& v) { v = r_.be16(); }
    void le16(std::uint16_t& v) { v = r_.le16(); }
    void be32(std::uint32_t& v) { v = r_.be32(); }
    void le32(std::uint32_t& v) { v = r_.le32(); }
    void be48(std::uint64_t& v) { v = r_.be48(); }
    void le48(std::uint64_t& v) { v = r_.le48(); }
    void be64(std::uint64_t& v) { v = r_.be64(); }
    void le64(std::uint64_t& v) { v = r_.le64(); }
    template <std::size_t N>
    void bytes(std::array<std::uint8_t, N>& v) {
        r_.bytes(v);
    }
    void text(std::string& v, std::size_t n) { v = r_.fixedText(n); }
    void pstring(std::string& v) { v = r_.pstring(); }
    void cstring(std::string& v) { v = r_.cstring(); }
    void nds(std::string& v) { v = r_.ndsString(); }
    void zeros(std::size_t n) { r_.skip(n); }
    void raw(Bytes& v, std::size_t n) {
        ByteView b = r_.take(n);
        v.assign(b.begin(), b.end());
    }
    void rest(Bytes& v) {
        ByteView b = r_.rest();
        v.assign(b.begin(), b.end());
    }
    void blob(Count c, Bytes& v) {
        std::uint32_t n = 0;
        countOf(c, v, n);
        raw(v, n);
    }
    template <class T>
    void record(T& v) {
        T::fields(*this, v);
    }

    template <class Vec>
    void countOf(Count c, Vec& v, std::uint32_t& n) {
        v.clear();
        switch (c) {
            case Count::U8:
                n = r_.u8();
                break;
            case Count::Be16:
                n = r_.be16();
                break;
            case Count::Le16:
                n = r_.le16();
                break;
            case Count::Be32:
                n = r_.be32();
                break;
            case Count::Le32:
                n = r_.le32();
                break;
        }
    }
    // Reads n elements. Every element takes at least one byte, so a count larger than the
    // message ends in failure after at most one pass over the bytes, never a huge allocation.
    template <class Vec, class F>
    void elements(Vec& v, std::uint32_t n, F each) {
        v.clear();
        if constexpr (requires { v.reserve(n); }) {
            // Every element takes at least one byte, so the message bounds what a count can ask.
            v.reserve(std::min<std::size_t>(n, r_.remaining()));
        }
        for (std::uint32_t i = 0; i < n && r_.ok(); ++i) {
            const std::size_t before = r_.position();
            v.emplace_back();
            each(*this, v.back());
            if (r_.position() == before) {
                r_.fail();
            }
        }
        if (!r_.ok()) {
            v.clear();
        }
    }
    template <class Vec, class F>
    void list(Count c, Vec& v, F each) {
        std::uint32_t n = 0;
        countOf(c, v, n);
        elements(v, n, each);
    }
    template <class Vec, class F>
    void untilEnd(Vec& v, F each) {
        v.clear();
        while (r_.ok() && !r_.atEnd()) {
            const std::size_t before = r_.position();
            v.emplace_back();
            each(*this, v.back());
            if (r_.position() == before) {
                r_.fail();
            }
        }
    }

private:
    Reader r_;
};

// For messages without fields.
struct Empty {
    template <class Io, class M>
    static void fields(Io&, M&) {}
    bool operator==(const Empty&) const = default;
};

}  // namespace nw::ncp
