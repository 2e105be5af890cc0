// The property page's tree of servers, directory trees, containers and volumes.
#include "volctl/nettree.h"

#include <optional>

#include "netops.h"
#include "volctl/errors.h"
#include "volctl/names.h"

namespace volmarra {
namespace {

constexpr std::u16string_view kRootContainer = u"[Root]";
// Volume numbers run from 0 to 255.
constexpr unsigned kVolumeNumbers = 256;

NetNode& addChild(NetNode& parent, NodeKind kind, std::u16string text, NodeImage image) {
    auto node = std::make_unique<NetNode>();
    node->kind = kind;
    node->text = std::move(text);
    node->image = image;
    node->parent = &parent;
    node->listed = node->isVolume();
    parent.children.push_back(std::move(node));
    return *parent.children.back();
}

NetNode* childNamed(NetNode& parent, std::u16string_view text) {
    for (const auto& child : parent.children) {
        if (equalsIgnoreCase(child->text, text)) {
            return child.get();
        }
    }
    return nullptr;
}

// Fetches items until fetch(iteration) fails or stops moving on, handing each new one to use()
// (a requester that hands the same item out again would otherwise never end the listing).
template <class Iter, class Fetch, class Use>
void scan(Iter start, Fetch fetch, Use use) {
    Iter iteration = start;
    for (;;) {
        const Iter before = iteration;
        if (fetch(iteration) != 0 || iteration == before) {
            return;
        }
        use();
    }
}

// The class of a directory object as the page shows it; nothing for classes it leaves out.
std::optional<std::pair<NodeKind, NodeImage>> shownClass(std::u16string_view objectClass) {
    static const std::pair<int, NodeImage> containers[] = {
        {kTextCountry, NodeImage::Country},
        {kTextLocality, NodeImage::Locality},
        {kTextOrganization, NodeImage::Organization},
        {kTextUnit, NodeImage::Unit},
    };
    for (const auto& [text, image] : containers) {
        if (equalsIgnoreCase(objectClass, stringResource(text))) {
            return std::pair{NodeKind::Container, image};
        }
    }
    if (equalsIgnoreCase(objectClass, stringResource(kTextVolumeClass))) {
        return std::pair{NodeKind::DirectoryVolume, NodeImage::Volume};
    }
    return std::nullopt;
}

// The containers from the tree down to node (included when it is one), and the tree's node.
std::vector<std::u16string> containersAbove(const NetNode& node, const NetNode** tree) {
    std::vector<std::u16string> topDown;
    const NetNode* n = &node;
    for (; n != nullptr && n->kind != NodeKind::Tree; n = n->parent) {
        if (n->kind == NodeKind::Container) {
            topDown.insert(topDown.begin(), n->text == kRootContainer ? u"" : n->text);
        }
    }
    *tree = n;
    return topDown;
}

}  // namespace

NetworkTree::NetworkTree(nw::Client& client) : client_(client), root_(std::make_unique<NetNode>()) {
    NetOps(client_).init();
    root_->text = stringResource(kTextServices);
    root_->listed = true;
    listServers(addChild(*root_, NodeKind::ServersFolder,
                         std::u16string(stringResource(kTextServers)), NodeImage::Network));
    listTrees(addChild(*root_, NodeKind::DirectoryFolder,
                       std::u16string(stringResource(kTextDirectory)), NodeImage::Network));
}

NetworkTree::~NetworkTree() = default;

void NetworkTree::expand(NetNode& node) {
    if (node.listed) {
        return;
    }
    node.listed = true;
    if (node.kind == NodeKind::Server) {
        listServerVolumes(node);
    } else if (node.kind == NodeKind::Tree || node.kind == NodeKind::Container) {
        listObjects(node);
    }
}

void NetworkTree::listServers(NetNode& folder) {
    folder.listed = true;
    NetOps net(client_);
    NWCONN conn = 0;
    if (net.openDefaultConn(conn) != 0) {
        return;
    }
    std::u16string name;
    scan(
        std::uint32_t{0xFFFFFFFF},
        [&](std::uint32_t& lastId) { return net.nextFileServer(conn, lastId, name); },
        [&] { addChild(folder, NodeKind::Server, name, NodeImage::Server); });
    net.closeConn(conn);
}

void NetworkTree::listServerVolumes(NetNode& server) {
    NetOps net(client_);
    NWCONN conn = 0;
    if (net.openConnByName(server.text, false, conn) != 0) {
        return;
    }
    // Volume numbers may have gaps (a volume dismounted in the middle): go on past them until
    // every volume the server counts was seen or the numbers run out.
    std::uint16_t count = 0;
    if (net.serverVolumeCount(conn, count) != 0) {
        count = kVolumeNumbers;
    }
    unsigned found = 0;
    std::u16string name;
    for (unsigned number = 0; number < kVolumeNumbers && found < count; ++number) {
        if (net.volumeName(conn, static_cast<std::uint16_t>(number), name) == 0 && !name.empty()) {
            addChild(server, NodeKind::ServerVolume, name, NodeImage::Volume);
            ++found;
        }
    }
    net.closeConn(conn);
}

void NetworkTree::listTrees(NetNode& folder) {
    folder.listed = true;
    NetOps net(client_);
    std::u16string tree;
    scan(
        std::uint32_t{0}, [&](std::uint32_t& iteration) { return net.nextTree(iteration, tree); },
        [&] {
            if (!tree.empty()) {
                addChild(folder, NodeKind::Tree, tree, NodeImage::Tree);
            }
        });
}

void NetworkTree::listObjects(NetNode& node) {
    const NetNode* tree = nullptr;
    const std::vector<std::u16string> topDown = containersAbove(node, &tree);
    if (tree == nullptr) {
        return;
    }
    const std::u16string container =
        topDown.empty() ? std::u16string(kRootContainer) : dottedFromPath(topDown);
    NetOps net(client_);
    std::u16string dotted;
    std::u16string objectClass;
    scan(
        std::uint32_t{0},
        [&](std::uint32_t& iteration) {
            return net.nextObject(tree->text, container, iteration, dotted, objectClass);
        },
        [&] {
            if (const auto shown = shownClass(objectClass)) {
                addChild(node, shown->first, dotted.substr(0, dotted.find(u'.')), shown->second);
            }
        });
}

std::u16string NetworkTree::fullNameOf(const NetNode& node) {
    if (node.kind == NodeKind::ServerVolume && node.parent != nullptr) {
        return u"\\\\" + node.parent->text + u"\\" + node.text;
    }
    if (node.kind != NodeKind::DirectoryVolume) {
        return {};
    }
    const NetNode* tree = nullptr;
    const std::vector<std::u16string> topDown = containersAbove(node, &tree);
    if (tree == nullptr) {
        return {};
    }
    std::u16string name = std::u16string(stringResource(250)) + u"\\\\" + tree->text;
    for (const std::u16string& container : topDown) {
        name += u"\\" + container;
    }
    return name + u"\\" + node.text;
}

NetNode* NetworkTree::open(std::u16string_view fullName) {
    const FullNameParts parts = parseFullName(fullName);
    NetNode* node = nullptr;
    if (parts.form == NameForm::Server) {
        node = childNamed(servers(), parts.server);
    } else if (parts.form == NameForm::Directory) {
        node = childNamed(directory(), parts.tree);
        for (const std::u16string& container : parts.containers) {
            if (node == nullptr) {
                return nullptr;
            }
            expand(*node);
            node = childNamed(*node, container);
        }
    }
    if (node == nullptr) {
        return nullptr;
    }
    expand(*node);
    NetNode* volume = childNamed(*node, parts.volume);
    return volume != nullptr && volume->isVolume() ? volume : nullptr;
}

}  // namespace volmarra
