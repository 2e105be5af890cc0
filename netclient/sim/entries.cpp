// Directory entries of simulated volumes: reading folders, DOS names, path lookups.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "model.h"
#include "services.h"
#include "volumedisk.h"

namespace nw::sim {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDosPunctuation = "!#$%&'()-@^_`{}~";

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDosCharacter(unsigned char c) {
    return isAsciiAlnum(c) || kDosPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

// A name that is already a DOS name once upper-cased: 1 to 8 characters, optionally a dot and
// 1 to 3 more, all of the DOS set.
bool isDosName(std::string_view name) {
    std::size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext =
        dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
    if (base.empty() || base.size() > 8)
        return false;
    if (dot != std::string_view::npos && (ext.empty() || ext.size() > 3))
        return false;
    return std::all_of(base.begin(), base.end(), [](char c) { return isDosCharacter(c); }) &&
           std::all_of(ext.begin(), ext.end(), [](char c) { return isDosCharacter(c); });
}

namespace {

// Keeps DOS characters (upper-cased), drops blanks and dots, replaces the rest with "_".
std::string dosCharacters(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == ' ' || c == '.')
            continue;
        if (isDosCharacter(c)) {
            out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        } else {
            out += '_';
        }
    }
    return out;
}

// Reads a folder and adds the entries it does not know yet. Names are taken in byte order so
// that numbers and DOS names do not depend on the order the file system lists them. The folder is
// reached beneath the volume's own (volumedisk.h): links are never followed. 0 or an errno value.
int scanDirectory(Volume& volume, Entry& directory, const CodePage& codePage) {
    directory.scanned = true;
    std::vector<Listed> found;
    int error = listBeneath(volume, entryKey(&directory), found);

    // Only the names not known yet are sorted: a folder read again is mostly known.
    std::unordered_set<std::string_view> known;
    known.reserve(directory.children.size());
    for (const Entry* child : directory.children) {
        if (child != nullptr)
            known.insert(child->diskName);
    }
    std::erase_if(found, [&](const Listed& l) { return known.count(l.name) != 0; });
    std::sort(found.begin(), found.end(),
              [](const Listed& a, const Listed& b) { return a.name < b.name; });
    std::vector<Entry*> fresh;
    for (const auto& [diskName, isDirectory] : found) {
        std::optional<std::string> longName = codePage.fromUtf8(diskName);
        // Names the workstation cannot spell, names NetWare refuses (nothing could act on them)
        // and names that clash with one differing only in case stay invisible.
        if (!longName || !isValidEntryName(*longName) || hasC1Control(diskName))
            continue;
        std::string key = upperAscii(*longName);
        if (directory.byLongKey.count(key) != 0)
            continue;
        auto entry = std::make_unique<Entry>();
        entry->number = static_cast<nuint32>(volume.entries.size());
        entry->parent = &directory;
        entry->diskName = diskName;
        entry->longName = std::move(*longName);
        entry->isDirectory = isDirectory;
        Entry* raw = entry.get();
        volume.entries.push_back(std::move(entry));
        raw->slot = directory.children.size();
        directory.children.push_back(raw);
        directory.byLongKey.emplace(std::move(key), raw);
        fresh.push_back(raw);
    }
    // Names that are DOS names already keep them; the others get derived ones.
    for (Entry* entry : fresh) {
        if (!isDosName(entry->longName))
            continue;
        std::string dosName = upperAscii(entry->longName);
        if (directory.byDosName.count(dosName) != 0)
            continue;
        entry->dosName = dosName;
        directory.byDosName.emplace(std::move(dosName), entry);
    }
    for (Entry* entry : fresh) {
        if (!entry->dosName.empty())
            continue;
        entry->dosName = deriveDosName(directory, entry->longName);
        directory.byDosName.emplace(entry->dosName, entry);
    }
    return error;
}

Entry* lookup(Entry& directory, const std::string& key, nuint8 nameSpace) {
    auto& index = nameSpace == NW_NS_DOS ? directory.byDosName : directory.byLongKey;
    auto it = index.find(key);
    return it == index.end() ? nullptr : it->second;
}

}  // namespace

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

namespace {

// The parts a derived DOS name is made of: the name's first DOS characters and its extension.
// Long names with the same family try the same candidates (at most 6 characters of the base are
// ever used).
struct DosParts {
    std::string base;
    std::string ext;
    std::string family() const { return base.substr(0, 6) + "." + ext; }
};

DosParts dosParts(std::string_view longName) {
    std::size_t dot = longName.rfind('.');
    bool hasExtension = dot != std::string_view::npos && dot != 0;
    DosParts parts;
    parts.base = dosCharacters(hasExtension ? longName.substr(0, dot) : longName);
    parts.ext = hasExtension ? dosCharacters(longName.substr(dot + 1)).substr(0, 3) : "";
    if (parts.base.empty())
        parts.base = "_";
    return parts;
}

std::string deriveFrom(const DosParts& parts, const DosNameTaken& isTaken, unsigned& n) {
    for (;; ++n) {
        std::string suffix = "~" + std::to_string(n);
        std::string candidate = parts.base.substr(0, 8 - suffix.size()) + suffix;
        if (!parts.ext.empty())
            candidate += "." + parts.ext;
        if (!isTaken(candidate))
            return candidate;
    }
}

}  // namespace

// hints remember per family the lowest number that may still be free, so that naming the
// thousands of entries of one folder does not try every taken number again.
std::string deriveDosName(std::string_view longName, const DosNameTaken& isTaken,
                          std::unordered_map<std::string, unsigned>& hints) {
    DosParts parts = dosParts(longName);
    auto [hint, added] = hints.try_emplace(parts.family(), 1u);
    std::string name = deriveFrom(parts, isTaken, hint->second);
    ++hint->second;
    return name;
}

std::string deriveDosName(Entry& directory, std::string_view longName) {
    return deriveDosName(
        longName, [&](const std::string& name) { return directory.byDosName.count(name) != 0; },
        directory.dosHints);
}

void releaseDosName(Entry& directory, const std::string& dosName) {
    std::size_t tilde = dosName.find('~');
    if (tilde == std::string::npos || directory.dosHints.empty())
        return;
    std::size_t dot = dosName.find('.', tilde);
    unsigned n = static_cast<unsigned>(std::strtoul(dosName.c_str() + tilde + 1, nullptr, 10));
    std::string prefix = dosName.substr(0, tilde);
    std::string ext = dot == std::string::npos ? "" : dosName.substr(dot + 1);
    // Every family whose candidates include the name may take it again.
    for (auto& [family, hint] : directory.dosHints) {
        std::size_t cut = family.rfind('.');
        std::string base = family.substr(0, cut);
        if (family.substr(cut + 1) == ext &&
            base.substr(0, 8 - (dot == std::string::npos ? dosName.size() - tilde : dot - tilde)) ==
                prefix) {
            hint = std::min(hint, n);
        }
    }
}

void initEntries(Volume& volume) {
    volume.entries.clear();
    auto root = std::make_unique<Entry>();
    root->isDirectory = true;
    root->longName = volume.name;
    root->dosName = volume.name;
    volume.entries.push_back(std::move(root));
}

std::filesystem::path Volume::diskPath(const Entry* entry) const {
    std::vector<const Entry*> chain;
    for (; entry != nullptr && entry->parent != nullptr; entry = entry->parent) {
        chain.push_back(entry);
    }
    fs::path path = folder;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path /= (*it)->diskName;
    return path;
}

int refreshDirectory(Volume& volume, Entry& directory, const CodePage& codePage) {
    return scanDirectory(volume, directory, codePage);
}

Entry* findChild(Volume& volume, Entry& directory, std::string_view name, nuint8 nameSpace,
                 const CodePage& codePage) {
    if (!directory.scanned)
        scanDirectory(volume, directory, codePage);
    std::string key = upperAscii(name);
    if (Entry* entry = lookup(directory, key, nameSpace))
        return entry;
    scanDirectory(volume, directory, codePage);  // created since the folder was read?
    return lookup(directory, key, nameSpace);
}

NWCCODE resolvePath(Server& server, std::string_view path, nuint8 nameSpace,
                    const CodePage& codePage, ResolvedPath& out, bool checkNameSpace) {
    std::size_t colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return INVALID_PATH;
    Volume* volume = server.volumeNamed(upperAscii(path.substr(0, colon)));
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    if (checkNameSpace && !volume->hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    Entry* entry = volume->root();
    std::string_view rest = path.substr(colon + 1);
    while (!rest.empty()) {
        std::size_t cut = rest.find_first_of("\\/");
        std::string_view component = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (component.empty())
            continue;
        if (component == "." || component == ".." || !entry->isDirectory)
            return INVALID_PATH;
        entry = findChild(*volume, *entry, component, nameSpace, codePage);
        if (entry == nullptr)
            return INVALID_PATH;
    }
    out = {volume, entry};
    return SUCCESSFUL;
}

Volume* Server::volumeNamed(std::string_view upperName) const {
    for (const auto& volume : volumes) {
        if (volume->name == upperName)
            return volume.get();
    }
    return nullptr;
}

std::size_t Server::broadcastLimit() const {
    bool before311 = version[0] < 3 || (version[0] == 3 && version[1] < 11);
    return before311 ? NW_MAX_BROADCAST_MESSAGE_LEN_OLD : NW_MAX_BROADCAST_MESSAGE_LEN;
}

}  // namespace nw::sim
