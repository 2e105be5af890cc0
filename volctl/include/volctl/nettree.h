// The network as the property page shows it: one tree of the volumes a designer can pick.
//
//   NetWare Services
//   ├─ NetWare Servers              the file servers of the default connection's bindery
//   │  └─ FS1                       its mounted volumes, listed when it is expanded
//   │     └─ SYS                    \\FS1\SYS
//   └─ NetWare Directory Services   the directory trees the workstation knows
//      └─ ACME_TREE                 containers and volume objects, listed on expansion
//         └─ ACME
//            └─ SALES
//               └─ FS1_SYS          NDS:\\ACME_TREE\ACME\SALES\FS1_SYS
//
// Plain C++ over the client: the page's widget mirrors these nodes. Every connection opened to
// list something is closed before the call returns; a server or tree that cannot be reached
// simply has no children.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nw {
class Client;
}

namespace volmarra {

// The tree's images, in the order of the image list.
enum class NodeImage { Network, Server, Volume, Tree, Country, Locality, Organization, Unit };

enum class NodeKind {
    Services,         // the root
    ServersFolder,    // "NetWare Servers"
    Server,           // a bindery file server
    ServerVolume,     // a volume of a server
    DirectoryFolder,  // the directory-services node
    Tree,             // a directory tree
    Container,        // a country, locality, organization or organizational unit
    DirectoryVolume,  // a volume object
};

struct NetNode {
    NodeKind kind = NodeKind::Services;
    std::u16string text;
    NodeImage image = NodeImage::Network;
    NetNode* parent = nullptr;
    std::vector<std::unique_ptr<NetNode>> children;
    // Children were asked for (a node is expanded at most once).
    bool listed = false;

    bool isVolume() const {
        return kind == NodeKind::ServerVolume || kind == NodeKind::DirectoryVolume;
    }
    // Whether the node can have children at all (the widget shows an expander for them).
    bool expandable() const { return !isVolume(); }
};

class NetworkTree {
public:
    explicit NetworkTree(nw::Client& client);
    ~NetworkTree();
    NetworkTree(const NetworkTree&) = delete;
    NetworkTree& operator=(const NetworkTree&) = delete;

    // The root with its two folders: the servers of the default connection's bindery and the
    // directory trees, each listed already.
    NetNode& root() { return *root_; }
    NetNode& servers() { return *root_->children[0]; }
    NetNode& directory() { return *root_->children[1]; }

    // Lists the node's children once: a server's volumes, a tree's or container's containers and
    // volume objects. Nothing for a node that cannot be reached.
    void expand(NetNode& node);

    // The FullName a volume node stands for: \\SERVER\VOLUME or NDS:\\TREE\CONTAINER\...\VOLUME;
    // empty for any other node.
    static std::u16string fullNameOf(const NetNode& node);

    // Expands the tree along a FullName and returns its volume's node, or null when the name is
    // of neither form or a step along it is missing (names compare without regard to case).
    NetNode* open(std::u16string_view fullName);

private:
    void listServers(NetNode& folder);
    void listServerVolumes(NetNode& server);
    void listTrees(NetNode& folder);
    void listObjects(NetNode& node);

    nw::Client& client_;
    std::unique_ptr<NetNode> root_;
};

}  // namespace volmarra
