// UTF-8 (files, the terminal) to the workstation's 8-bit code page and back, through iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nw::wire {

// nullopt when the code page is unknown or the text holds a character it lacks.
std::optional<std::string> utf8ToCodePage(std::string_view utf8, const std::string& codePage);
// Whether iconv knows the code page.
bool knownCodePage(const std::string& codePage);

}  // namespace nw::wire
