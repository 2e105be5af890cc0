#include "volume_text.h"

#include <cctype>
#include <limits>

namespace varnook::cli {

namespace {

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// Decimal digits only, below 2^31; nullopt otherwise.
std::optional<int64_t> Digits(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    const int64_t n = std::stoll(text);
    if (n > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::optional<RightsSet> ParseRights(const std::string& text) {
    const std::string upper = Upper(text);
    RightsSet rights{};
    if (upper == "ALL") {
        rights.fill(true);
        return rights;
    }
    if (upper == "N") {
        return rights;
    }
    if (upper.empty()) {
        return std::nullopt;
    }
    for (char c : upper) {
        bool known = false;
        for (size_t i = 0; i < kRights.size(); ++i) {
            if (kRights[i].letter == c) {
                rights[i] = true;
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    return rights;
}

std::string RightsText(const RightsSet& rights) {
    std::string text;
    for (size_t i = 0; i < kRights.size(); ++i) {
        if (rights[i]) {
            text += kRights[i].letter;
        }
    }
    return text;
}

std::optional<AttributeChange> ParseAttributeChange(const std::string& text) {
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-')) {
        return std::nullopt;
    }
    const std::string code = Upper(text.substr(1));
    for (size_t i = 0; i < kAttributes.size(); ++i) {
        if (kAttributes[i].code == code && kAttributes[i].writable) {
            return AttributeChange{i, text[0] == '+'};
        }
    }
    return std::nullopt;
}

std::optional<int32_t> ParseLimit(const std::string& text) {
    if (Upper(text) == "NONE") {
        return 0;
    }
    const std::optional<int64_t> n = Digits(text);
    if (!n || *n == 0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*n);
}

std::optional<int32_t> ParseOrdinal(const std::string& text) {
    const std::optional<int64_t> n = Digits(text);
    if (!n || *n == 0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*n);
}

}  // namespace varnook::cli
