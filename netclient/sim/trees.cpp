// The directory trees of a network (see trees.h).
#include "trees.h"

namespace nw::sim {

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

std::string containerOf(const std::string& dottedName) {
    std::size_t dot = dottedName.find('.');
    return dot == std::string::npos ? std::string() : upperAscii(dottedName.substr(dot + 1));
}

}  // namespace nw::sim
