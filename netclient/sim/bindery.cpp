// The server model's bindery: object names, ids and scans.
#include "servermodel.h"

namespace nw::sim {

namespace {

// The server reports object types high byte first.
nuint16 highLow(nuint16 value) {
    return static_cast<nuint16>(value << 8 | value >> 8);
}

}  // namespace

NWCCODE ServerModel::objectName(const Server& server, nuint32 id, std::string& name,
                                nuint16* type) {
    const Bindery& objects = bindery(server);
    auto found = objects.byId.find(id);
    if (found == objects.byId.end())
        return NO_SUCH_OBJECT;
    const BinderyEntry& object = objects.objects[found->second];
    name = object.name;
    if (type != nullptr)
        *type = highLow(object.type);
    return SUCCESSFUL;
}

NWCCODE ServerModel::objectId(const Server& server, std::string_view name, nuint16 type,
                              nuint32& id) {
    std::string key = upperAscii(name);
    for (const BinderyEntry& object : bindery(server).objects) {
        if (object.name == key && highLow(object.type) == type) {
            id = object.id;
            return SUCCESSFUL;
        }
    }
    return NO_SUCH_OBJECT;
}

NWCCODE ServerModel::scanObjects(const Server& server, std::string_view pattern, nuint16 type,
                                 nuint32& lastObjectId, std::string& name, nuint16* foundType) {
    const Bindery& objects = bindery(server);
    std::size_t start = 0;
    if (lastObjectId != 0xFFFFFFFF) {
        auto found = objects.byId.find(lastObjectId);
        if (found == objects.byId.end())
            return FAILURE;
        start = found->second + 1;
    }
    for (std::size_t i = start; i < objects.objects.size(); ++i) {
        const BinderyEntry& object = objects.objects[i];
        if ((type != BINDERY_ANY && highLow(object.type) != type) ||
            !wildcardMatch(pattern, object.name)) {
            continue;
        }
        name = object.name;
        if (foundType != nullptr)
            *foundType = highLow(object.type);
        lastObjectId = object.id;
        return SUCCESSFUL;
    }
    return FAILURE;
}

const BinderyObject* ServerModel::objectNamed(const Server& server, std::string_view upperName,
                                              nuint16 type) const {
    return server.objectNamed(upperName, type);
}

}  // namespace nw::sim
