#include "core.h"

#include "volctl/names.h"

namespace volmarra {

ControlCore::~ControlCore() {
    reset();
}

bool ControlCore::closeOpenFile() {
    if (openFile == 0) {
        return false;
    }
    const std::int32_t rc = net.closeFile(openFile);
    openFile = 0;
    return rc == 0;
}

void ControlCore::reset() {
    hasContext = false;
    closeOpenFile();
    if (conn != 0) {
        net.closeConn(conn);
        conn = 0;
    }
    isDirectory = false;
    directoryAuthenticated = false;
    volumeName.clear();
    hostServer.clear();
    treeName.clear();
    serverContext.clear();
    loaded = false;
    volumeNumber = 0;
    nameSpace = 0;
    kbPerBlock = 1;
    lastTotalKb = 0;
}

std::int32_t ControlCore::nameOfId(std::uint32_t id, std::u16string& full,
                                   std::u16string& shortName) {
    if (directoryMode()) {
        std::u16string dotted;
        const std::int32_t rc = net.directoryNameOfId(conn, id, dotted);
        if (rc != 0) {
            return rc;
        }
        full = directoryPathName(treeName, dotted);
        shortName = std::u16string(lastComponent(full));
        return 0;
    }
    std::u16string name;
    const std::int32_t rc = net.binderyNameOfId(conn, id, name);
    if (rc != 0) {
        return rc;
    }
    full = name;
    shortName = name;
    return 0;
}

std::int32_t ControlCore::idOfName(std::u16string_view name, std::uint32_t& id) {
    if (directoryMode()) {
        std::u16string dotted;
        const std::u16string prefix = std::u16string(kDirectoryPrefix) + u"\\\\";
        if (startsWithIgnoreCase(name, prefix)) {
            // NDS:\\TREE\O\OU\NAME -> NAME.OU.O
            std::u16string_view rest = name.substr(prefix.size());
            const std::size_t tree = rest.find(u'\\');
            rest =
                tree == std::u16string_view::npos ? std::u16string_view() : rest.substr(tree + 1);
            const std::vector<std::u16string> parts =
                rest.empty() ? std::vector<std::u16string>() : splitText(rest, u'\\');
            dotted = dottedFromPath(parts);
        } else {
            dotted = std::u16string(lastComponent(name));
        }
        if (dotted.find(u'.') == std::u16string::npos && !serverContext.empty()) {
            dotted += u"." + serverContext;
        }
        return net.idOfDirectoryName(conn, dotted, id);
    }
    return net.idOfBinderyUser(conn, lastComponent(name), id);
}

std::u16string netPathOf(std::u16string_view internalPath) {
    const std::size_t at = internalPath.find(u'\\');
    if (at == std::u16string_view::npos) {
        return std::u16string(internalPath) + u":";
    }
    return std::u16string(internalPath.substr(0, at)) + u":" +
           std::u16string(internalPath.substr(at + 1));
}

std::vector<std::u16string> componentsOf(std::u16string_view internalPath) {
    std::vector<std::u16string> out;
    std::size_t start = internalPath.find(u'\\');
    while (start != std::u16string_view::npos) {
        const std::size_t next = internalPath.find(u'\\', start + 1);
        out.emplace_back(internalPath.substr(
            start + 1, next == std::u16string_view::npos ? next : next - start - 1));
        start = next;
    }
    return out;
}

std::u16string internalPathOf(std::u16string_view volume, const std::vector<std::u16string>& c) {
    std::u16string out(volume);
    for (const std::u16string& part : c) {
        out += u"\\" + part;
    }
    return out;
}

std::u16string_view lastComponent(std::u16string_view internalPath) {
    const std::size_t at = internalPath.rfind(u'\\');
    return at == std::u16string_view::npos ? internalPath : internalPath.substr(at + 1);
}

}  // namespace volmarra
