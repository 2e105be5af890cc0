#include "ncp/paths.h"

namespace nw::ncp::paths {

namespace {

std::optional<std::string> wireComponent(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '\0') {
            return std::nullopt;
        }
        out.push_back(c);
        if (static_cast<unsigned char>(c) == 0xFF) {
            out.push_back(c);
        }
    }
    if (out.size() > 255) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::vector<std::string>> toComponents(std::string_view text) {
    std::vector<std::string> out;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        std::optional<std::string> volume = wireComponent(text.substr(0, colon));
        if (!volume || volume->empty()) {
            return std::nullopt;
        }
        out.push_back(*volume);
        text.remove_prefix(colon + 1);
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            out.emplace_back();
        } else if (!part.empty() && part != ".") {
            std::optional<std::string> c = wireComponent(part);
            if (!c) {
                return std::nullopt;
            }
            out.push_back(*c);
        }
        start = end + 1;
    }
    if (out.size() > 255) {
        return std::nullopt;
    }
    return out;
}

std::optional<HandlePath> fromVolumePath(std::string_view text) {
    if (text.find(':') == std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> c = toComponents(text);
    if (!c) {
        return std::nullopt;
    }
    HandlePath p;
    p.handleFlag = handle_flag::kNone;
    p.components = std::move(*c);
    return p;
}

std::optional<HandlePath> fromDirBase(std::uint8_t volume, std::uint32_t dirBase,
                                      std::string_view relative) {
    if (relative.find(':') != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> c = toComponents(relative);
    if (!c) {
        return std::nullopt;
    }
    HandlePath p;
    p.volume = volume;
    p.dirBase = dirBase;
    p.handleFlag = handle_flag::kDirBase;
    p.components = std::move(*c);
    return p;
}

std::optional<std::string> plainName(std::string_view component) {
    std::string out;
    for (std::size_t i = 0; i < component.size(); ++i) {
        const auto c = static_cast<unsigned char>(component[i]);
        if (c == 0xFF) {
            if (i + 1 >= component.size() || static_cast<unsigned char>(component[i + 1]) != 0xFF) {
                return std::nullopt;  // a wildcard
            }
            ++i;
        } else if (c == 0 || c == '/' || c == '\\' || c == ':') {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(c));
    }
    if (out.empty() || out == "." || out == "..") {
        return std::nullopt;
    }
    return out;
}

Resolved resolve(const std::vector<std::string>& components, std::size_t baseDepth) {
    Resolved r;
    for (const std::string& c : components) {
        if (c.empty()) {
            if (!r.names.empty()) {
                r.names.pop_back();
            } else if (r.up < baseDepth) {
                ++r.up;
            } else {
                r.error = PathError::AboveRoot;
                r.names.clear();
                return r;
            }
            continue;
        }
        std::optional<std::string> name = plainName(c);
        if (!name) {
            r.error = PathError::BadName;
            r.names.clear();
            return r;
        }
        r.names.push_back(std::move(*name));
    }
    return r;
}

}  // namespace nw::ncp::paths
