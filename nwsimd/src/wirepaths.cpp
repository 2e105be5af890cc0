// Entries named by requests (see wirepaths.h).
#include "wirepaths.h"

#include <vector>

#include "ncp/paths.h"

namespace nw::nwsimd {

NWCCODE locateBlock(Session& session, const ncp::HandlePath& path, nuint8 nameSpace,
                    sim::Located& out) {
    sim::Server& server = session.server();
    sim::Volume* volume = nullptr;
    sim::Entry* base = nullptr;
    std::size_t first = 0;  // the first component below the base
    switch (path.handleFlag) {
        case ncp::handle_flag::kNone: {
            if (path.components.empty())
                return INVALID_PATH;
            std::optional<std::string> name = ncp::paths::plainName(path.components.front());
            volume = name ? server.volumeNamed(sim::upperAscii(*name)) : nullptr;
            if (volume == nullptr || !volume->mounted)
                return VOLUME_DOES_NOT_EXIST;
            base = volume->root();
            first = 1;
            break;
        }
        case ncp::handle_flag::kDirBase:
            volume = sim::ServerModel::mountedVolume(server, path.volume);
            if (volume == nullptr)
                return VOLUME_DOES_NOT_EXIST;
            base = volume->entry(path.dirBase);
            if (base == nullptr || base->gone)
                return INVALID_PATH;
            break;
        case ncp::handle_flag::kShortHandle: {
            sim::DirHandle* handle = session.model().services().dirHandle(
                session.owner(), static_cast<NWDIR_HANDLE>(path.dirBase & 0xFF));
            if (handle == nullptr)
                return BAD_DIRECTORY_HANDLE;
            volume = handle->volume;
            base = handle->directory;
            break;
        }
        default:
            return INVALID_PATH;
    }
    if (!volume->hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    std::size_t depth = 0;
    for (const sim::Entry* e = base; e->parent != nullptr; e = e->parent)
        ++depth;
    std::vector<std::string> rest(path.components.begin() + static_cast<std::ptrdiff_t>(first),
                                  path.components.end());
    ncp::paths::Resolved resolved = ncp::paths::resolve(rest, depth);
    if (resolved.error != ncp::paths::PathError::None)
        return INVALID_PATH;
    sim::Entry* entry = base;
    for (std::size_t i = 0; i < resolved.up; ++i)
        entry = entry->parent;
    const sim::CodePage& codePage = session.model().net().codePage;
    for (const std::string& name : resolved.names) {
        if (!entry->isDirectory)
            return INVALID_PATH;
        entry = sim::findChild(*volume, *entry, name, nameSpace, codePage);
        if (entry == nullptr)
            return INVALID_PATH;
    }
    out = {volume, entry};
    return SUCCESSFUL;
}

NWCCODE locateText(Session& session, nuint8 dirHandle, std::string_view path, nuint8 nameSpace,
                   sim::Located& out) {
    std::optional<ncp::HandlePath> block;
    if (dirHandle == 0 || path.find(':') != std::string_view::npos) {
        block = ncp::paths::fromVolumePath(path);
    } else if (auto components = ncp::paths::toComponents(path)) {
        block =
            ncp::HandlePath{0, dirHandle, ncp::handle_flag::kShortHandle, std::move(*components)};
    }
    if (!block)
        return INVALID_PATH;
    return locateBlock(session, *block, nameSpace, out);
}

NWCCODE locateNumber(Session& session, nuint32 volume, nuint32 entry, sim::Located& out) {
    sim::Volume* found = sim::ServerModel::mountedVolume(session.server(), volume);
    if (found == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    sim::Entry* named = found->entry(entry);
    if (named == nullptr || named->gone)
        return INVALID_PATH;
    out = {found, named};
    return SUCCESSFUL;
}

std::string modelPattern(std::string_view wire) {
    std::string pattern;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        auto c = static_cast<unsigned char>(wire[i]);
        if (c != 0xFF || i + 1 == wire.size()) {
            pattern.push_back(static_cast<char>(c));
            continue;
        }
        auto wildcard = static_cast<unsigned char>(wire[++i]);
        switch (wildcard) {
            case '*':
            case 0xAA:
                pattern.push_back('*');
                break;
            case '?':
            case 0xBF:
                pattern.push_back('?');
                break;
            case 0xAE:
                pattern.push_back('.');
                break;
            default:
                pattern.push_back(static_cast<char>(wildcard));  // 0xFF 0xFF: a 0xFF byte
        }
    }
    return pattern.empty() ? std::string("*") : pattern;
}

}  // namespace nw::nwsimd
