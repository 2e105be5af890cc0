#include "core/drives.h"

#include <algorithm>
#include <cctype>

namespace varnook {

std::vector<std::string> EnumerateDrives(const std::function<int(int drive)>& driveInformation,
                                         const std::vector<std::string>& driveListTexts) {
    std::vector<std::string> entries;
    for (int d = 1; d <= 26; ++d) {
        if (driveInformation(d) != 0) {
            continue;
        }
        const char letter = static_cast<char>('A' + d - 1);
        std::string label;
        for (const std::string& text : driveListTexts) {
            if (!text.empty() && std::toupper(static_cast<unsigned char>(text[0])) == letter) {
                label = text.size() > 3 ? text.substr(3) : std::string();
                break;
            }
        }
        entries.push_back(std::string(1, letter) + ":   " + label);
    }
    return entries;
}

DriveListUpdate MergeDriveList(const std::vector<std::string>& shown, int selected,
                               const std::vector<std::string>& found) {
    DriveListUpdate u;
    u.entries = shown;
    for (const std::string& f : found) {
        if (std::find(u.entries.begin(), u.entries.end(), f) == u.entries.end()) {
            u.entries.push_back(f);
        }
    }
    std::erase_if(u.entries, [&found](const std::string& e) {
        return std::find(found.begin(), found.end(), e) == found.end();
    });
    if (u.entries.empty()) {
        u.selected = -1;
    } else if (selected < static_cast<int>(u.entries.size())) {
        u.selected = selected;
    } else {
        u.selected = static_cast<int>(u.entries.size()) - 1;
    }
    return u;
}

namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) <
                   std::tolower(static_cast<unsigned char>(y));
        });
    if (less) {
        return true;
    }
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) <
                   std::tolower(static_cast<unsigned char>(y));
        });
    return !greater && a < b;  // equal but for case: a stable, deterministic order
}

}  // namespace

void SortWithoutRegardToCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), LessNoCase);
}

int DriveNumber(const std::string& text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return 0;
    }
    return std::toupper(static_cast<unsigned char>(text[0])) - 'A' + 1;
}

}  // namespace varnook
