// The model's lookups by name and reference, through indexes kept as objects are added, so that
// loading a network of any size and looking things up in it cost the same per object.
#include <functional>
#include <utility>

#include "model.h"

namespace nw::sim {

namespace {

std::size_t hashOf(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

// A name upper-cased (ASCII) for its hash: in the caller's buffer when it fits, so that a lookup
// allocates nothing.
class UpperKey {
public:
    explicit UpperKey(std::string_view name) {
        char* out = buffer_;
        if (name.size() > sizeof buffer_) {
            spill_.resize(name.size());
            out = spill_.data();
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            char c = name[i];
            out[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        key_ = std::string_view(out, name.size());
    }
    UpperKey(const UpperKey&) = delete;
    UpperKey& operator=(const UpperKey&) = delete;
    std::string_view view() const { return key_; }
    std::size_t hash() const { return hashOf(key_); }

private:
    char buffer_[256];
    std::string spill_;
    std::string_view key_;
};

// True when name upper-cased (ASCII) is upper.
bool equalsUpper(std::string_view name, std::string_view upper) {
    if (name.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upper[i])
            return false;
    }
    return true;
}

}  // namespace

BinderyObject* Server::objectNamed(std::string_view upperName, nuint16 type) const {
    std::size_t at = objectIndex.find(hashOf(upperName) ^ type, [&](std::size_t i) {
        return objects[i]->type == type && objects[i]->name == upperName;
    });
    return at == FlatIndex::npos ? nullptr : objects[at].get();
}

BinderyObject& Server::addObject(std::unique_ptr<BinderyObject> object) {
    BinderyObject& added = *object;
    objectIndex.insert(hashOf(added.name) ^ added.type, objects.size());
    objects.push_back(std::move(object));
    return added;
}

Station& Server::putStation(std::unique_ptr<Station> station) {
    if (slots.size() <= station->number)
        slots.resize(station->number + std::size_t{1});
    Station& put = *station;
    slots[put.number] = std::move(station);
    return put;
}

Volume& Server::addVolume(std::unique_ptr<Volume> volume) {
    if (volumeByNumber.size() <= volume->number)
        volumeByNumber.resize(volume->number + std::size_t{1});
    Volume& added = *volume;
    volumeByNumber[added.number] = &added;
    volumes.push_back(std::move(volume));
    return added;
}

TreeObject* Tree::objectNamed(std::string_view name) {
    UpperKey upper(name);
    std::size_t at = index.find(
        upper.hash(), [&](std::size_t i) { return equalsUpper(objects[i].name, upper.view()); });
    return at == FlatIndex::npos ? nullptr : &objects[at];
}

const TreeObject* Tree::objectNamed(std::string_view name) const {
    return const_cast<Tree*>(this)->objectNamed(name);
}

TreeObject* Tree::addObject(TreeObject object) {
    UpperKey upper(object.name);
    std::size_t taken = index.insertUnique(upper.hash(), objects.size(), [&](std::size_t i) {
        return equalsUpper(objects[i].name, upper.view());
    });
    if (taken != FlatIndex::npos)
        return nullptr;
    objects.push_back(std::move(object));
    return &objects.back();
}

void Tree::reserve(std::size_t count) {
    objects.reserve(count);
    index.reserve(count);
}

Server* Network::serverNamed(std::string_view upperName) const {
    std::size_t at = serverIndex_.find(
        hashOf(upperName), [&](std::size_t i) { return servers[i]->name == upperName; });
    return at == FlatIndex::npos ? nullptr : servers[at].get();
}

WsConnection* Network::connectionByRef(NWCONN_REF ref) const {
    auto it = connectionByRef_.find(ref);
    return it == connectionByRef_.end() ? nullptr : it->second;
}

Tree* Network::treeNamed(std::string_view name) {
    if (name.empty())
        return nullptr;
    UpperKey upper(name);
    std::size_t at = treeIndex_.find(
        upper.hash(), [&](std::size_t i) { return equalsUpper(trees[i].name, upper.view()); });
    return at == FlatIndex::npos ? nullptr : &trees[at];
}

const Tree* Network::treeNamed(std::string_view name) const {
    return const_cast<Network*>(this)->treeNamed(name);
}

Server& Network::addServer(std::unique_ptr<Server> server) {
    Server& added = *server;
    serverIndex_.insert(hashOf(added.name), servers.size());
    servers.push_back(std::move(server));
    return added;
}

void Network::reserveServers(std::size_t count) {
    servers.reserve(count);
    serverIndex_.reserve(count);
}

WsConnection& Network::addConnection(std::unique_ptr<WsConnection> connection) {
    WsConnection& added = *connection;
    connections.push_back(std::move(connection));
    connectionByRef_.emplace(added.ref, &added);
    return added;
}

Tree& Network::addTree(Tree tree) {
    treeIndex_.insert(UpperKey(tree.name).hash(), trees.size());
    trees.push_back(std::move(tree));
    return trees.back();
}

}  // namespace nw::sim
