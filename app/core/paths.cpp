#include "core/paths.h"

#include <algorithm>

namespace varnook {

namespace {
constexpr char kBackslash = '\\';
}

int16_t ParsePath(const std::string& UNCPath, std::string& Servername, std::string& FilePath) {
    Servername.clear();
    FilePath.clear();
    const std::string& t = UNCPath;
    // Positions below are 0-based. The text must hold "\\SERVER\VOLUME" and end with "]".
    const size_t a = t.find(kBackslash);
    if (a == std::string::npos || a + 1 >= t.size() || t[a + 1] != kBackslash) {
        return 1;
    }
    if (t.back() != ']') {
        return 1;
    }
    const size_t s = a + 2;
    const size_t serverEnd = t.find(kBackslash, s);
    if (serverEnd == std::string::npos || serverEnd == s) {
        return 1;
    }
    const size_t p = serverEnd + 1;
    size_t q = t.find(kBackslash, p);
    if (q == std::string::npos) {
        q = t.find(']', p);
    }
    if (q == std::string::npos || q == p) {
        return 1;
    }
    const std::string volume = t.substr(p, q - p);
    // The directory part runs from after q to the character before the closing "]".
    const size_t r = q + 1;
    std::string rest;
    if (r + 1 < t.size()) {
        rest = t.substr(r, t.size() - 1 - r) + "\\";
    }
    Servername = t.substr(s, serverEnd - s);
    FilePath = volume + ":\\" + rest;
    return 0;
}

std::string PathBelowDriveRoot(const std::string& dirPath) {
    return dirPath.size() > 3 ? dirPath.substr(3) : std::string();
}

std::string VolumePathOfFile(const std::string& prefix, const std::string& dirPath,
                             const std::string& fileName) {
    if (prefix.empty()) {
        return fileName;
    }
    const std::string below = PathBelowDriveRoot(dirPath);
    if (below.empty()) {
        return prefix + fileName;
    }
    return prefix + below + "\\" + fileName;
}

std::string FullFilePath(const std::string& dirPath, const std::string& fileName) {
    if (dirPath.size() == 3 || (!dirPath.empty() && dirPath.back() == kBackslash)) {
        return dirPath + fileName;
    }
    return dirPath + "\\" + fileName;
}

void ByteArrayToString(std::string& dest, std::span<const uint8_t> src) {
    dest.clear();
    for (uint8_t b : src) {
        if (b == 0) {
            break;
        }
        dest.push_back(static_cast<char>(b));
    }
}

void TranslatePath(std::string& dest, std::span<const uint8_t> src, uint8_t count) {
    dest.clear();
    const size_t limit = std::min<size_t>(count, src.size());
    size_t i = 0;
    while (i < limit) {
        const size_t n = src[i];
        ++i;
        if (i >= limit) {
            break;
        }
        dest.push_back(kBackslash);
        const size_t take = std::min(n, limit - i);
        dest.append(reinterpret_cast<const char*>(src.data() + i), take);
        i += take;
    }
}

std::string JoinLocal(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

uint32_t ReadRefNo(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX) {
            return UINT32_MAX;
        }
    }
    return static_cast<uint32_t>(value);
}

}  // namespace varnook
