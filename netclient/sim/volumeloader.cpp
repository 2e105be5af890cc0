// The network file's keys for volume data: the state folder, supervisors, entry metadata,
// trustees, user restrictions and deleted files (see the README). Runs after the loader has read
// every server, volume and tree, so names resolve to their final identifiers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>

#include "dostime.h"
#include "jsonnode.h"
#include "loader.h"
#include "model.h"
#include "services.h"
#include "store.h"

namespace nw::sim {

namespace {

namespace fs = std::filesystem;

constexpr std::pair<const char*, nuint32> kAttributes[] = {
    {"ReadOnly", A_READ_ONLY},
    {"Hidden", A_HIDDEN},
    {"System", A_SYSTEM},
    {"Execute", A_EXECUTE_ONLY},
    {"Archive", A_NEEDS_ARCHIVED},
    {"Shareable", A_SHAREABLE},
    {"DontSuballocate", A_DONT_SUBALLOCATE},
    {"Transactional", A_TRANSACTIONAL},
    {"ImmediatePurge", A_IMMEDIATE_PURGE},
    {"RenameInhibit", A_RENAME_INHIBIT},
    {"DeleteInhibit", A_DELETE_INHIBIT},
    {"CopyInhibit", A_COPY_INHIBIT},
    {"Migrated", A_FILE_MIGRATED},
    {"DontMigrate", A_DONT_MIGRATE},
    {"ImmediateCompress", A_IMMEDIATE_COMPRESS},
    {"Compressed", A_FILE_COMPRESSED},
    {"DontCompress", A_DONT_COMPRESS},
    {"CantCompress", A_CANT_COMPRESS},
};

constexpr std::pair<char, nuint16> kRights[] = {
    {'S', TR_SUPERVISOR}, {'R', TR_READ},   {'W', TR_WRITE},     {'C', TR_CREATE},
    {'E', TR_ERASE},      {'M', TR_MODIFY}, {'F', TR_FILE_SCAN}, {'A', TR_ACCESS_CONTROL},
};

bool isContainerClass(const std::string& objectClass) {
    return objectClass == "Organization" || objectClass == "Organizational Unit" ||
           objectClass == "Country" || objectClass == "Locality";
}

class VolumeDataLoader {
public:
    VolumeDataLoader(Network& net, const fs::path& baseDir) : net_(net), base_(baseDir) {}

    void load(const Node& root) {
        loadStateFolder(root["state"]);
        stored_ = storedVolumes(net_.stateFolder);
        std::vector<Node> servers = root["servers"].items();
        for (std::size_t i = 0; i < servers.size(); ++i) {
            Server& server = *net_.servers[i];
            shareTreeIds(server, servers[i]["users"]);
            loadSupervisors(server, servers[i]["supervisors"]);
            std::vector<Node> volumes = servers[i]["volumes"].itemsOr();
            for (std::size_t j = 0; j < volumes.size(); ++j)
                loadVolume(server, *server.volumes[j], volumes[j]);
        }
    }

private:
    // ---- State folder and identifiers ---------------------------------------------------------

    void loadStateFolder(const Node& node) {
        fs::path relative = node.present() ? fs::path(node.string("a folder path")) : "state";
        fs::path folder = fs::weakly_canonical(base_ / relative);
        // Neither may hold the other: a volume would list the kept deleted files, or the store
        // would count a volume's files as its own.
        auto within = [](const fs::path& inner, const fs::path& outer) {
            auto [end, unused] =
                std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
            return end == outer.end();
        };
        for (const auto& server : net_.servers) {
            for (const auto& volume : server->volumes) {
                fs::path volumeFolder = fs::weakly_canonical(volume->folder);
                std::string which = server->name + "/" + volume->name;
                if (within(folder, volumeFolder)) {
                    node.fail("a folder for the simulator's state outside every volume folder (" +
                              folder.string() + " lies in the folder of " + which + ")");
                }
                if (within(volumeFolder, folder)) {
                    node.fail("a folder for the simulator's state that holds no volume folder (" +
                              volumeFolder.string() + ", the folder of " + which + ", lies in " +
                              folder.string() + ")");
                }
            }
        }
        net_.stateFolder = folder;
    }

    // A bindery user of a server in a tree that is also a User object of the tree in the
    // server's context takes that object's identifier, as bindery emulation shows it.
    void shareTreeIds(Server& server, const Node& usersNode) {
        const Tree* tree = net_.treeNamed(server.tree);
        if (tree == nullptr)
            return;
        std::size_t dot = server.directoryName.find('.');
        if (dot == std::string::npos)
            return;
        std::string context = server.directoryName.substr(dot + 1);
        std::unordered_map<nuint32, const BinderyObject*> byId;
        for (const auto& object : server.objects)
            byId.emplace(object->id, object.get());
        for (auto& object : server.objects) {
            if (object->type != OT_USER)
                continue;
            const TreeObject* twin = tree->objectNamed(object->name + "." + context);
            if (twin == nullptr || twin->objectClass != "User" || twin->id == object->id)
                continue;
            if (auto other = byId.find(twin->id); other != byId.end()) {
                usersNode.refuse(object->name + " shares the id " + std::to_string(twin->id) +
                                 " of the tree's User object " + twin->name + ", which " +
                                 other->second->name + " has already");
            }
            byId.erase(object->id);
            object->id = twin->id;
            byId.emplace(object->id, object.get());
        }
    }

    void loadSupervisors(Server& server, const Node& node) {
        if (node.present()) {
            for (const Node& name : node.items("an array of user names")) {
                server.data.supervisors.insert(binderyUser(server, name));
            }
        } else {
            for (const auto& object : server.objects) {
                if (object->type == OT_USER &&
                    (object->name == "SUPERVISOR" || object->name == "ADMIN")) {
                    server.data.supervisors.insert(object.get());
                }
            }
        }
        for (const auto& object : server.objects) {
            if (server.data.supervisors.count(object.get()) != 0) {
                server.data.defaultOwner = object->id;
                break;
            }
        }
    }

    // ---- Volumes ------------------------------------------------------------------------------

    void loadVolume(Server& server, Volume& volume, const Node& node) {
        VolumeData& data = volume.data;
        std::set<std::string> listed;
        // Once the state store holds the volume, its data comes from there: paths that changes
        // have since renamed or removed are then no errors.
        lenient_ = stored_.count(server.name + ":" + volume.name) != 0;
        for (const Node& entryNode : node["entries"].itemsOr()) {
            entryNode.expectObject({"path", "attributes", "owner", "archiver", "created",
                                    "archived", "inheritedRights", "trustees", "spaceLimit"});
            Entry* entry = volumeEntry(server, volume, entryNode["path"], false);
            if (entry == nullptr)
                continue;
            std::string key = entryKey(entry);
            if (!listed.insert(key).second)
                entryNode["path"].fail("a path not listed twice in entries");
            EntryMeta meta;
            meta.attributes = attributes(entryNode["attributes"]);
            if (Node owner = entryNode["owner"]; owner.present())
                meta.creator = objectId(server, owner);
            if (Node archiver = entryNode["archiver"]; archiver.present())
                meta.archiver = objectId(server, archiver);
            if (Node created = entryNode["created"]; created.present())
                meta.created = stamp(created);
            if (Node archived = entryNode["archived"]; archived.present())
                meta.archived = stamp(archived);
            if (Node mask = entryNode["inheritedRights"]; mask.present())
                meta.inheritedRights = rights(mask) | TR_SUPERVISOR;
            std::set<nuint32> seen;
            for (const Node& trusteeNode : entryNode["trustees"].itemsOr()) {
                trusteeNode.expectObject({"object", "rights"});
                Trustee trustee;
                trustee.id = objectId(server, trusteeNode["object"]);
                if (!seen.insert(trustee.id).second)
                    trusteeNode["object"].fail("an object not listed twice among the trustees");
                trustee.rights = rights(trusteeNode["rights"]);
                meta.trustees.push_back(trustee);
            }
            if (Node limit = entryNode["spaceLimit"]; limit.present()) {
                if (!entry->isDirectory || entry->parent == nullptr)
                    limit.fail("no spaceLimit: only directories below the root have one");
                meta.spaceRestriction = static_cast<nint32>((kilobytes(limit, 0x7FFFFFFC) + 3) / 4);
            }
            if (!meta.isDefault())
                data.entries.emplace(std::move(key), std::move(meta));
        }

        std::set<nuint32> restricted;
        for (const Node& restriction : node["userRestrictions"].itemsOr()) {
            restriction.expectObject({"user", "limit"});
            NW_VOLUME_RESTRICTION item;
            item.objectID = objectId(server, restriction["user"]);
            if (!restricted.insert(item.objectID).second)
                restriction["user"].fail("a user not restricted twice on the volume");
            item.restriction =
                static_cast<nuint32>((kilobytes(restriction["limit"], 0xFFFFFFFC) + 3) / 4);
            if (item.restriction >= NW_NO_VOLUME_RESTRICTION)
                restriction["limit"].fail("a limit below 4294967296 KB");
            data.restrictions.push_back(item);
        }

        for (const Node& deletedNode : node["deletedFiles"].itemsOr())
            loadDeletedFile(server, volume, deletedNode);
    }

    void loadDeletedFile(Server& server, Volume& volume, const Node& node) {
        node.expectObject({"directory", "name", "content", "deleted", "deletedBy", "owner",
                           "attributes", "created", "modified"});
        Entry* directory = volumeEntry(server, volume, node["directory"], true);
        if (directory == nullptr)
            return;
        DeletedFile file;
        file.id = volume.data.nextDeletedId++;
        file.directory = entryKey(directory);
        Node name = node["name"];
        const std::string_view expected =
            "a file name without \\ / : * ? \" < > | or control characters, not \".\" or \"..\"";
        std::string codePageName = text(name, expected);
        if (!isValidEntryName(codePageName))
            name.fail(expected);
        file.diskName = name.string();
        auto& siblings = volume.data.deleted[file.directory];
        DeletedNames& names = deletedNames_[&volume][file.directory];
        file.dosName =
            isDosName(codePageName)
                ? upperAscii(codePageName)
                : deriveDosName(
                      codePageName, [&](const std::string& dos) { return names.contains(dos); },
                      names.hints);
        names.add(file.dosName);
        std::string content =
            node["content"].present() ? node["content"].string("the file's text") : "";
        file.size = content.size();
        file.seedContent = std::move(content);
        file.deleted =
            node["deleted"].present() ? stamp(node["deleted"]) : dosStamp(std::time(nullptr));
        file.modified = node["modified"].present() ? stamp(node["modified"]) : file.deleted;
        file.lastAccess = dosDate(file.deleted);
        file.deletor = node["deletedBy"].present() ? objectId(server, node["deletedBy"])
                                                   : server.data.defaultOwner;
        file.meta.attributes = attributes(node["attributes"]);
        if (Node owner = node["owner"]; owner.present())
            file.meta.creator = objectId(server, owner);
        file.meta.created = node["created"].present() ? stamp(node["created"]) : file.modified;
        volume.data.deletedBytes += file.size;
        ++volume.data.deletedCount;
        siblings.emplace(file.id, std::move(file));
    }

    // ---- Values -------------------------------------------------------------------------------

    std::string text(const Node& node, std::string_view expected) const {
        std::optional<std::string> converted = net_.codePage.fromUtf8(node.string(expected));
        if (!converted) {
            node.fail(std::string(expected) +
                      " whose characters exist in the workstation code page (" +
                      net_.codePage.name() + ")");
        }
        return *converted;
    }

    // An entry of the volume named by a path below its root in long names ("" = the root).
    Entry* volumeEntry(Server& server, Volume& volume, const Node& node, bool directory) {
        const std::string_view expected = directory
                                              ? "the path of a directory of the volume below its "
                                                "root, \"DIR\\SUB\" (\"\" for the root)"
                                              : "the path of an entry of the volume below its "
                                                "root, \"DIR\\FILE\" (\"\" for the root)";
        std::string path = text(node, expected);
        ResolvedPath resolved;
        if (resolvePath(server, volume.name + ":" + path, NW_NS_LONG, net_.codePage, resolved,
                        false) != SUCCESSFUL ||
            (directory && !resolved.entry->isDirectory)) {
            if (lenient_)
                return nullptr;
            node.fail(expected);
        }
        return resolved.entry;
    }

    BinderyObject* binderyUser(Server& server, const Node& node) {
        const std::string_view expected = "a user name of 1 to 47 characters";
        std::string name = upperAscii(text(node, expected));
        if (name.empty() || name.size() > NW_MAX_OBJECT_NAME_LEN || hasControlCharacter(name) ||
            name.find('.') != std::string::npos) {
            node.fail(std::string(expected) + " without dots");
        }
        if (BinderyObject* found = server.objectNamed(name, OT_USER))
            return found;
        // Users named here but not listed are added, as elsewhere in the file, with the next
        // identifier above every object's of the server.
        auto [highest, first] = highestId_.try_emplace(&server, 0x10000000);
        if (first) {
            for (const auto& object : server.objects)
                highest->second = std::max(highest->second, object->id);
        }
        auto added = std::make_unique<BinderyObject>();
        added->name = name;
        added->type = OT_USER;
        added->id = ++highest->second;
        return &server.addObject(std::move(added));
    }

    // A bindery user of the server ("JSMITH"), or a User or container of the server's tree by
    // its dotted name ("JSMITH.SALES.ACME", "SALES.ACME").
    nuint32 objectId(Server& server, const Node& node) {
        const std::string& raw = node.string("an object name");
        if (raw.find('.') == std::string::npos)
            return binderyUser(server, node)->id;
        const std::string_view expected =
            "a User or container of the server's tree by its dotted name (e.g. "
            "\"JSMITH.SALES.ACME\")";
        const Tree* tree = net_.treeNamed(server.tree);
        const TreeObject* object =
            tree != nullptr ? tree->objectNamed(text(node, expected)) : nullptr;
        if (object == nullptr ||
            (object->objectClass != "User" && !isContainerClass(object->objectClass))) {
            node.fail(expected);
        }
        return object->id;
    }

    static nuint32 attributes(const Node& node) {
        auto known = [] {
            std::string list;
            for (const auto& [name, bit] : kAttributes)
                list += (list.empty() ? "\"" : ", \"") + std::string(name) + "\"";
            return "one of " + list;
        };
        nuint32 value = 0;
        for (const Node& item : node.itemsOr("an array of attribute names")) {
            if (!item.isString())
                item.fail(known());
            const std::string& name = item.string();
            auto found = std::find_if(std::begin(kAttributes), std::end(kAttributes),
                                      [&](const auto& a) { return name == a.first; });
            if (found == std::end(kAttributes))
                item.fail(known());
            if ((value & found->second) != 0)
                item.fail("an attribute not listed twice");
            value |= found->second;
        }
        return value;
    }

    static nuint16 rights(const Node& node) {
        const std::string_view expected =
            "rights as letters of SRWCEMFA (Supervisor, Read, Write, Create, Erase, Modify, File "
            "scan, Access control), each at most once, e.g. \"RF\"";
        const std::string& letters = node.string(expected);
        nuint16 value = 0;
        for (char c : letters) {
            char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            auto found = std::find_if(std::begin(kRights), std::end(kRights),
                                      [&](const auto& r) { return r.first == upper; });
            if (found == std::end(kRights) || (value & found->second) != 0)
                node.fail(expected);
            value |= found->second;
        }
        return value;
    }

    static std::int64_t kilobytes(const Node& node, std::int64_t max) {
        std::int64_t value = node.integer(0, max);
        if (value % 4 != 0)
            node.fail("a number of KB that is a multiple of 4 (the server counts 4 KB units)");
        return value;
    }

    static nuint32 stamp(const Node& node) {
        LocalTime t = parseLocalTime(node, 1980, 2107);
        return dosStamp(t.year, t.month, t.day, t.hour, t.minute, t.second);
    }

    // The DOS names the deleted files of one folder took, with the hints of deriveDosName().
    struct DeletedNames {
        std::vector<std::string> taken;
        FlatIndex index;  // of taken
        std::unordered_map<std::string, unsigned> hints;

        static std::size_t hashOf(const std::string& name) {
            return std::hash<std::string>{}(name);
        }
        bool contains(const std::string& name) const {
            return index.find(hashOf(name), [&](std::size_t i) { return taken[i] == name; }) !=
                   FlatIndex::npos;
        }
        void add(const std::string& name) {
            if (contains(name))
                return;
            index.insert(hashOf(name), taken.size());
            taken.push_back(name);
        }
    };

    Network& net_;
    fs::path base_;
    std::set<std::string> stored_;
    bool lenient_ = false;
    std::unordered_map<const Volume*, std::unordered_map<std::string, DeletedNames>> deletedNames_;
    std::unordered_map<const Server*, nuint32> highestId_;
};

}  // namespace

void loadVolumeData(Network& net, const Node& root, const fs::path& baseDir) {
    VolumeDataLoader(net, baseDir).load(root);
}

}  // namespace nw::sim
