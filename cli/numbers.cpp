#include "numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace varnook::cli {

namespace {

// The argument as it may be shown on a terminal: control bytes as \xNN.
std::string Shown(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return "\"" + out + "\"";
}

// 0.1 as "0.1", 86400 as "86400".
std::string Plain(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

}  // namespace

CLI::Validator WholeNumber(std::int64_t min, std::int64_t max, const std::string& what) {
    const std::string wanted = "give " + what + " as a whole number from " + std::to_string(min) +
                               " to " + std::to_string(max);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const bool digits = !text.empty() && text.size() <= 18 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            const std::int64_t value = digits ? std::stoll(text) : 0;
            if (!digits || value < min || value > max) {
                return wanted + ", not " + Shown(text);
            }
            text = std::to_string(value);
            return {};
        },
        "", "WholeNumber");
}

CLI::Validator Seconds(double min, double max) {
    const std::string wanted = "give a number of seconds from " + Plain(min) + " to " + Plain(max);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value) ||
                value < min || value > max) {
                return wanted + ", not " + Shown(text);
            }
            return {};
        },
        "", "Seconds");
}

}  // namespace varnook::cli
