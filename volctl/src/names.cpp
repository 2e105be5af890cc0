#include "volctl/names.h"

#include <algorithm>

namespace volmarra {
namespace {

bool isSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

std::vector<std::u16string> splitBackslash(std::u16string_view s) {
    return splitText(s, u'\\');
}

bool dotsOnly(std::u16string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char16_t c) { return c == u'.'; });
}

bool dosCharacter(char16_t c) {
    if (c >= 0x80) {
        return c <= 0xFF;  // the code page's upper half
    }
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
        return true;
    }
    return std::u16string_view(u"!#$%&'()-@^_{}~`").find(c) != std::u16string_view::npos;
}

bool validDosName(std::u16string_view name) {
    const std::size_t dot = name.find(u'.');
    const std::u16string_view base = name.substr(0, dot);
    const std::u16string_view ext =
        dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) {
        return false;
    }
    if (dot != std::u16string_view::npos && ext.empty()) {
        return false;
    }
    return std::all_of(base.begin(), base.end(), dosCharacter) &&
           std::all_of(ext.begin(), ext.end(), dosCharacter);
}

}  // namespace

std::vector<std::u16string> splitText(std::u16string_view s, char16_t sep) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        if (at == std::u16string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, at - start));
        start = at + 1;
    }
}

char16_t upperAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

std::u16string upperAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        c = upperAscii(c);
    }
    return out;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool startsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

FullNameParts parseFullName(std::u16string_view name) {
    FullNameParts p;
    if (name.empty()) {
        return p;
    }
    p.form = NameForm::Invalid;
    if (name.find(u'.') != std::u16string_view::npos) {
        return p;
    }
    if (startsWithIgnoreCase(name, kDirectoryPrefix)) {
        const std::u16string_view rest = name.substr(kDirectoryPrefix.size());
        if (!rest.starts_with(u"\\\\")) {
            return p;
        }
        const auto parts = splitBackslash(rest.substr(2));
        // tree, at least one container, the volume object; none empty
        if (parts.size() < 3 ||
            std::any_of(parts.begin(), parts.end(), [](auto s) { return s.empty(); })) {
            return p;
        }
        p.form = NameForm::Directory;
        p.tree = parts.front();
        for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
            p.containers.emplace_back(parts[i]);
        }
        p.volume = parts.back();
        return p;
    }
    if (!name.starts_with(u"\\\\")) {
        return p;
    }
    const auto parts = splitBackslash(name.substr(2));
    if (parts.size() != 2 || parts[0].empty() || parts[1].empty()) {
        return p;
    }
    p.form = NameForm::Server;
    p.server = parts[0];
    p.volume = parts[1];
    return p;
}

std::u16string shortNameOf(std::u16string_view name) {
    const std::size_t at = name.rfind(u'\\');
    return upperAscii(at == std::u16string_view::npos ? name : name.substr(at + 1));
}

std::u16string dottedFromPath(const std::vector<std::u16string>& topDown) {
    std::u16string out;
    for (const std::u16string& c : topDown) {
        out = out.empty() ? c : c + u"." + out;
    }
    return out;
}

std::vector<std::u16string> pathFromDotted(std::u16string_view dotted) {
    std::vector<std::u16string> out = splitText(dotted, u'.');
    std::reverse(out.begin(), out.end());
    return out;
}

std::u16string directoryPathName(std::u16string_view tree, std::u16string_view dotted) {
    std::u16string out = std::u16string(kDirectoryPrefix) + u"\\\\" + std::u16string(tree);
    for (const std::u16string& c : pathFromDotted(dotted)) {
        out += u"\\" + c;
    }
    return out;
}

bool validEntryName(std::u16string_view name, std::uint8_t nameSpace) {
    if (name.empty() || name.size() > 255 || dotsOnly(name)) {
        return false;
    }
    for (char16_t c : name) {
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) {
            return false;
        }
    }
    return nameSpace != kNameSpaceDos || validDosName(name);
}

std::optional<std::vector<std::u16string>> splitEntryPath(std::u16string_view path,
                                                          std::uint8_t nameSpace) {
    std::vector<std::u16string> out;
    if (path.empty()) {
        return out;
    }
    for (const std::u16string& c : splitBackslash(path)) {
        if (!validEntryName(c, nameSpace)) {
            return std::nullopt;
        }
        out.emplace_back(c);
    }
    return out;
}

Destination resolveDestination(std::u16string_view controlFullName, std::u16string_view volumeName,
                               const std::vector<std::u16string>& parent, std::u16string_view text,
                               std::uint8_t nameSpace) {
    Destination d;
    if (text.empty()) {
        d.code = kInvalidEntryName;
        return d;
    }
    std::u16string_view rest;
    bool fromRoot = false;
    if (text.starts_with(u"\\\\") || startsWithIgnoreCase(text, kDirectoryPrefix)) {
        if (controlFullName.empty() || !startsWithIgnoreCase(text, controlFullName) ||
            (text.size() > controlFullName.size() && !isSeparator(text[controlFullName.size()]))) {
            d.code = kIncompatibleName;
            return d;
        }
        rest = text.substr(controlFullName.size());
        fromRoot = true;
    } else if (const std::size_t colon = text.find(u':'); colon != std::u16string_view::npos) {
        if (!equalsIgnoreCase(text.substr(0, colon), volumeName)) {
            d.code = kIncompatibleName;
            return d;
        }
        rest = text.substr(colon + 1);
        fromRoot = true;
    } else {
        rest = text;
        fromRoot = isSeparator(text.front());
    }
    if (!rest.empty() && isSeparator(rest.front())) {
        rest.remove_prefix(1);
    }
    if (!rest.empty() && isSeparator(rest.back())) {
        rest.remove_suffix(1);
    }
    std::vector<std::u16string> path = fromRoot ? std::vector<std::u16string>() : parent;
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end])) {
            ++end;
        }
        const std::u16string_view c = rest.substr(start, end - start);
        if (c == u".") {
            // stays in the same directory
        } else if (c == u"..") {
            if (path.empty()) {
                d.code = kInvalidEntryName;
                return d;
            }
            path.pop_back();
        } else if (!validEntryName(c, nameSpace)) {  // also an empty component
            d.code = kInvalidEntryName;
            return d;
        } else {
            path.emplace_back(c);
        }
        start = end + 1;
        if (end + 1 == rest.size()) {  // a separator at the very end: an empty last component
            d.code = kInvalidEntryName;
            return d;
        }
    }
    d.components = std::move(path);
    return d;
}

bool samePath(const std::vector<std::u16string>& a, const std::vector<std::u16string>& b) {
    return a.size() == b.size() && isBelow(a, b);
}

bool isBelow(const std::vector<std::u16string>& inner, const std::vector<std::u16string>& outer) {
    if (inner.size() < outer.size()) {
        return false;
    }
    for (std::size_t i = 0; i < outer.size(); ++i) {
        if (!equalsIgnoreCase(inner[i], outer[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace volmarra
