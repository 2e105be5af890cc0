// Volume control operations: connections by name, directory services, the bindery.
#include <algorithm>

#include "entrypaths.h"
#include "model.h"
#include "netclient/sim/simclient.h"
#include "servermodel.h"
#include "services.h"
#include "store.h"

namespace nw::sim {

namespace {

// A tree name as callers pass it, possibly padded with '_', upper-cased.
std::string treeKey(std::string_view name) {
    while (!name.empty() && name.back() == '_')
        name.remove_suffix(1);
    return upperAscii(name);
}

const Tree* treeNamed(const Network& net, std::string_view name) {
    std::string key = treeKey(name);
    if (key.empty())
        return nullptr;
    for (const Tree& tree : net.trees) {
        if (treeKey(tree.name) == key)
            return &tree;
    }
    return nullptr;
}

const TreeObject* objectNamed(const Tree& tree, std::string_view name) {
    if (!name.empty() && name.front() == '.')
        name.remove_prefix(1);
    return tree.objectNamed(name);
}

// The dotted name of the container that holds an object ("" at the top).
std::string containerOf(const std::string& dottedName) {
    std::size_t dot = dottedName.find('.');
    return dot == std::string::npos ? std::string() : upperAscii(dottedName.substr(dot + 1));
}

}  // namespace

const Caller* SimClient::volumeCaller(NWCONN_HANDLE conn) {
    const Caller* who = caller(conn);
    if (who != nullptr)
        model_->store();  // the stored state replaces the file's before anything is read
    return who;
}

NWCCODE SimClient::entryOf(NWCONN_HANDLE conn, const char* path, nuint8 nameSpace,
                           const Caller*& who, Located& target) {
    who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return locateAlive(net_, *who->server, path, nameSpace, target);
}

std::size_t SimClient::openDirHandleCount() const {
    return model_->services().dirHandleCount;
}

std::size_t SimClient::openFileHandleCount() const {
    return model_->services().files.size();
}

const std::string& SimClient::stateError() const {
    return model_->storeError();
}

// ---- Connections by name ------------------------------------------------------------------------

NWCCODE SimClient::OpenConnByName(const char* name, nuint32 nameFormat, nuint32 openState,
                                  NWCONN_HANDLE* conn) {
    if (name == nullptr || conn == nullptr)
        return NWE_PARAM_INVALID;
    if ((openState != NWCC_OPEN_LICENSED && openState != NWCC_OPEN_UNLICENSED) ||
        (nameFormat != NWCC_NAME_FORMAT_BIND && nameFormat != NWCC_NAME_FORMAT_NDS)) {
        return NWE_PARAM_INVALID;
    }
    std::string key = upperAscii(name);
    Server* server = net_.serverNamed(key);
    if (server == nullptr && nameFormat == NWCC_NAME_FORMAT_NDS) {
        if (!key.empty() && key.front() == '.')
            key.erase(0, 1);
        for (const auto& each : net_.servers) {
            if (!each->directoryName.empty() && upperAscii(each->directoryName) == key)
                server = each.get();
        }
    }
    if (server == nullptr)
        return NO_SUCH_OBJECT;
    for (const auto& connection : net_.connections) {
        if (connection->server != server || connection->ended)
            continue;
        NWCONN_HANDLE handle = nextHandle_++;
        handles_.emplace(handle, connection.get());
        *conn = handle;
        return SUCCESSFUL;
    }
    return NWE_NO_LICENSED_CONNECTION;
}

NWCCODE SimClient::GetConnAuthenticationState(NWCONN_HANDLE conn, nuint32* state) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (state == nullptr)
        return NWE_PARAM_INVALID;
    if (connection->directoryAuthenticated)
        *state = NWCC_AUTHENT_STATE_NDS;
    else if (connection->station != nullptr && connection->station->object != nullptr)
        *state = NWCC_AUTHENT_STATE_BIND;
    else
        *state = NWCC_AUTHENT_STATE_NONE;
    return SUCCESSFUL;
}

NWCCODE SimClient::GetConnTreeName(NWCONN_HANDLE conn, std::string& tree) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (connection->server->tree.empty())
        return ERR_NO_SUCH_ENTRY;
    tree = connection->server->tree;
    if (tree.size() < NW_TREE_NAME_PADDED_LEN)
        tree.append(NW_TREE_NAME_PADDED_LEN - tree.size(), '_');
    return SUCCESSFUL;
}

NWCCODE SimClient::GetServerDirectoryName(NWCONN_HANDLE conn, std::string& name) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (connection->server->directoryName.empty())
        return ERR_NO_SUCH_ENTRY;
    name = connection->server->directoryName;
    return SUCCESSFUL;
}

NWCCODE SimClient::LicenseConn(NWCONN_HANDLE conn) {
    return live(conn) != nullptr ? SUCCESSFUL : INVALID_CONNECTION;
}

NWCCODE SimClient::AuthenticateConnToDirectory(NWCONN_HANDLE conn) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    const std::string& tree = connection->server->tree;
    if (tree.empty() || connection->station == nullptr || connection->station->object == nullptr)
        return ERR_FAILED_AUTHENTICATION;
    for (const auto& other : net_.connections) {
        if (!other->ended && other->directoryAuthenticated &&
            treeKey(other->server->tree) == treeKey(tree)) {
            connection->directoryAuthenticated = true;
            return SUCCESSFUL;
        }
    }
    return ERR_FAILED_AUTHENTICATION;
}

// ---- Directory services -------------------------------------------------------------------------

NWCCODE SimClient::ReadDirectoryAttribute(const char* tree, const char* object,
                                          const char* attribute, std::string& value) {
    if (tree == nullptr || object == nullptr || attribute == nullptr)
        return NWE_PARAM_INVALID;
    value.clear();
    const Tree* found = treeNamed(net_, tree);
    const TreeObject* entry = found != nullptr ? objectNamed(*found, object) : nullptr;
    if (entry == nullptr)
        return ERR_NO_SUCH_ENTRY;
    std::string key = upperAscii(attribute);
    for (const auto& [name, text] : entry->attributes) {
        if (upperAscii(name) == key) {
            value = text;
            return SUCCESSFUL;
        }
    }
    return ERR_NO_SUCH_ATTRIBUTE;
}

NWCCODE SimClient::MapDirectoryIdToName(NWCONN_HANDLE conn, nuint32 id, std::string& dottedName) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    const Tree* tree = treeNamed(net_, connection->server->tree);
    if (tree != nullptr) {
        for (const TreeObject& object : tree->objects) {
            if (object.id == id) {
                dottedName = object.name;
                return SUCCESSFUL;
            }
        }
    }
    return ERR_NO_SUCH_ENTRY;
}

NWCCODE SimClient::MapDirectoryNameToId(NWCONN_HANDLE conn, const char* dottedName, nuint32* id) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (dottedName == nullptr || id == nullptr)
        return NWE_PARAM_INVALID;
    const Tree* tree = treeNamed(net_, connection->server->tree);
    const TreeObject* object = tree != nullptr ? objectNamed(*tree, dottedName) : nullptr;
    if (object == nullptr)
        return ERR_NO_SUCH_ENTRY;
    *id = object->id;
    return SUCCESSFUL;
}

NWCCODE SimClient::ScanDirectoryTrees(nuint32* iterHandle, std::string& tree) {
    if (iterHandle == nullptr)
        return NWE_PARAM_INVALID;
    if (*iterHandle >= net_.trees.size())
        return FAILURE;
    tree = net_.trees[*iterHandle].name;
    ++*iterHandle;
    return SUCCESSFUL;
}

NWCCODE SimClient::ScanDirectoryObjects(const char* tree, const char* container,
                                        nuint32* iterHandle, std::string& name,
                                        std::string& objectClass) {
    if (tree == nullptr || container == nullptr || iterHandle == nullptr)
        return NWE_PARAM_INVALID;
    const Tree* found = treeNamed(net_, tree);
    if (found == nullptr)
        return ERR_NO_SUCH_ENTRY;
    std::string parent = container;
    if (upperAscii(parent) == "[ROOT]")
        parent.clear();
    if (!parent.empty() && objectNamed(*found, parent) == nullptr)
        return ERR_NO_SUCH_ENTRY;
    if (!parent.empty() && parent.front() == '.')
        parent.erase(0, 1);
    parent = upperAscii(parent);
    // The handle is the place after the last object returned: a whole scan reads the list once.
    for (std::size_t i = *iterHandle; i < found->objects.size(); ++i) {
        const TreeObject& object = found->objects[i];
        if (containerOf(object.name) != parent)
            continue;
        name = object.name;
        objectClass = object.objectClass;
        *iterHandle = static_cast<nuint32>(i + 1);
        return SUCCESSFUL;
    }
    *iterHandle = static_cast<nuint32>(found->objects.size());
    return FAILURE;
}

// ---- Bindery ------------------------------------------------------------------------------------

NWCCODE SimClient::GetBinderyObjectName(NWCONN_HANDLE conn, nuint32 id, std::string& name,
                                        nuint16* type) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    return model_->objectName(*connection->server, id, name, type);
}

NWCCODE SimClient::GetBinderyObjectID(NWCONN_HANDLE conn, const char* name, nuint16 type,
                                      nuint32* id) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (name == nullptr || id == nullptr)
        return NWE_PARAM_INVALID;
    return model_->objectId(*connection->server, name, type, *id);
}

NWCCODE SimClient::ScanBinderyObjects(NWCONN_HANDLE conn, const char* pattern, nuint16 type,
                                      nuint32* lastObjectID, std::string& name,
                                      nuint16* foundType) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (pattern == nullptr || lastObjectID == nullptr)
        return NWE_PARAM_INVALID;
    return model_->scanObjects(*connection->server, pattern, type, *lastObjectID, name, foundType);
}

}  // namespace nw::sim
