// Number arguments read strictly: decimal digits as a person writes them, no "0x", no octal, no
// blanks, no "nan" or "inf", each within its range, refused otherwise in words.
#pragma once

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

namespace varnook::cli {

// --watch: the shortest pause between runs keeps a watch from hammering the servers.
inline constexpr double kMinWatchSeconds = 0.1;
inline constexpr double kMaxWatchSeconds = 86400;  // a day
// --timeout: at most a year.
inline constexpr double kMaxTimeoutSeconds = 365.0 * 86400;

// A whole number from `min` to `max` ("what" names it in the message); leading zeros are dropped
// before the parser converts it, so "010" is ten.
CLI::Validator WholeNumber(std::int64_t min, std::int64_t max, const std::string& what);

// A number of seconds from `min` to `max` ("2.5", "30", "1e3").
CLI::Validator Seconds(double min, double max);

}  // namespace varnook::cli
