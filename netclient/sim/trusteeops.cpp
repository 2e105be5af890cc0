// Volume control operations: trustees of entries and the space restrictions of users.
#include <algorithm>

#include "entrypaths.h"
#include "model.h"
#include "servermodel.h"
#include "services.h"
#include "store.h"
#include "volumedisk.h"

namespace nw::sim {

namespace {

bool isUser(const Network& net, const Server& server, nuint32 id) {
    for (const auto& object : server.objects) {
        if (object->id == id)
            return object->type == OT_USER;
    }
    for (const Tree& tree : net.trees) {
        if (server.tree.empty() || upperAscii(tree.name) != upperAscii(server.tree))
            continue;
        for (const TreeObject& object : tree.objects) {
            if (object.id == id)
                return object.objectClass == "User";
        }
    }
    return false;
}

// The 4 KB blocks of the files a user owns (is the creator of) on a volume.
std::uint64_t blocksOwned(const Volume& volume, nuint32 owner, nuint32 defaultOwner) {
    std::uint64_t blocks = 0;
    forEachFileBeneath(volume, [&](const std::string& key, std::uint64_t size) {
        const EntryMeta* meta = metaOf(volume, key);
        nuint32 creator = meta != nullptr ? meta->creator.value_or(defaultOwner) : defaultOwner;
        if (creator == owner)
            blocks += (size + 4095) / 4096;
    });
    return blocks;
}

// The volume whose user restriction a caller changes: VOLUME_DOES_NOT_EXIST, NO_SUCH_OBJECT for
// an identifier that is no user, NO_MODIFY_PRIVILEGES for a caller that is no supervisor.
NWCCODE restrictionChange(const Network& net, const Caller& caller, nuint16 volNum,
                          nuint32 objectID, Volume*& volume) {
    volume = ServerModel::mountedVolume(*caller.server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    if (!isUser(net, *caller.server, objectID))
        return NO_SUCH_OBJECT;
    return caller.supervisor ? SUCCESSFUL : NO_MODIFY_PRIVILEGES;
}

}  // namespace

// ---- Trustees -----------------------------------------------------------------------------------

NWCCODE ServerModel::scanTrustees(const Caller& who, const Located& target, nuint32& iteration,
                                  TRUSTEE_SET& trustees) {
    nuint32* iterHandle = &iteration;
    TRUSTEE_SET* set = &trustees;
    if ((effectiveRights(who, *target.volume, target.entry) &
         (TR_ACCESS_CONTROL | TR_SUPERVISOR)) == 0) {
        return ACCESS_DENIED;
    }
    const EntryMeta* meta = metaOf(*target.volume, entryKey(target.entry));
    std::size_t count = meta != nullptr ? meta->trustees.size() : 0;
    if (*iterHandle >= count)
        return FAILURE;
    *set = TRUSTEE_SET{};
    for (std::size_t i = *iterHandle; i < count && set->count < NW_MAX_TRUSTEES_PER_SET; ++i) {
        set->trustees[set->count].objectID = meta->trustees[i].id;
        set->trustees[set->count].objectRights = meta->trustees[i].rights;
        ++set->count;
    }
    *iterHandle += set->count;
    return SUCCESSFUL;
}

NWCCODE ServerModel::addTrustee(const Caller& who, const Located& target, nuint32 objectID,
                                nuint16 rights) {
    if (!isKnownObject(*net_, *target.volume->server, objectID))
        return NO_SUCH_OBJECT;
    nuint16 own = effectiveRights(who, *target.volume, target.entry);
    rights &= TR_ALL;
    if ((own & TR_ACCESS_CONTROL) == 0 ||
        ((rights & TR_SUPERVISOR) != 0 && (own & TR_SUPERVISOR) == 0)) {
        return NO_MODIFY_PRIVILEGES;
    }
    std::string key = entryKey(target.entry);
    EntryMeta meta = metaCopy(*target.volume, key);
    auto found = std::find_if(meta.trustees.begin(), meta.trustees.end(),
                              [&](const Trustee& t) { return t.id == objectID; });
    if (found != meta.trustees.end())
        found->rights = rights;
    else
        meta.trustees.push_back({objectID, rights});
    return services_->saveMeta(*target.volume, key, std::move(meta));
}

NWCCODE ServerModel::deleteTrustee(const Caller& who, const Located& target, nuint32 objectID) {
    std::string key = entryKey(target.entry);
    EntryMeta meta = metaCopy(*target.volume, key);
    auto found = std::find_if(meta.trustees.begin(), meta.trustees.end(),
                              [&](const Trustee& t) { return t.id == objectID; });
    if (found == meta.trustees.end())
        return TRUSTEE_NOT_FOUND;
    if ((effectiveRights(who, *target.volume, target.entry) & TR_ACCESS_CONTROL) == 0) {
        return NO_MODIFY_PRIVILEGES;
    }
    meta.trustees.erase(found);
    return services_->saveMeta(*target.volume, key, std::move(meta));
}

// ---- Space restrictions of users ----------------------------------------------------------------

NWCCODE ServerModel::scanVolumeRestrictions(const Caller& caller, nuint16 volNum, nuint32 sequence,
                                            VOLUME_RESTRICTIONS& answer) {
    VOLUME_RESTRICTIONS* restrictions = &answer;
    const Volume* volume = mountedVolume(*caller.server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    *restrictions = VOLUME_RESTRICTIONS{};
    // A supervisor sees every user's restriction; anybody else only his own.
    std::vector<NW_VOLUME_RESTRICTION> own;
    if (!caller.supervisor) {
        for (const NW_VOLUME_RESTRICTION& item : volume->data.restrictions) {
            if (caller.object != nullptr && item.objectID == caller.id())
                own.push_back(item);
        }
    }
    const auto& list = caller.supervisor ? volume->data.restrictions : own;
    for (std::size_t i = sequence;
         i < list.size() && restrictions->numberOfEntries < NW_MAX_RESTRICTIONS_PER_ANSWER; ++i) {
        restrictions->resInfo[restrictions->numberOfEntries++] = list[i];
    }
    return SUCCESSFUL;
}

NWCCODE ServerModel::getObjectRestriction(const Caller& caller, nuint16 volNum, nuint32 objectID,
                                          nuint32& limit, nuint32& used) {
    nuint32* restriction = &limit;
    nuint32* inUse = &used;
    const Server& server = *caller.server;
    const Volume* volume = mountedVolume(server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    if (!isUser(*net_, server, objectID))
        return NO_SUCH_OBJECT;
    if (!caller.supervisor && (caller.object == nullptr || caller.id() != objectID))
        return ACCESS_DENIED;
    *restriction = NW_NO_VOLUME_RESTRICTION;
    for (const NW_VOLUME_RESTRICTION& item : volume->data.restrictions) {
        if (item.objectID == objectID)
            *restriction = item.restriction;
    }
    std::uint64_t blocks = blocksOwned(*volume, objectID, server.data.defaultOwner);
    *inUse = static_cast<nuint32>(std::min<std::uint64_t>(blocks, 0xFFFFFFFF));
    return SUCCESSFUL;
}

NWCCODE ServerModel::setObjectRestriction(const Caller& caller, nuint16 volNum, nuint32 objectID,
                                          nuint32 restriction) {
    if (restriction >= NW_NO_VOLUME_RESTRICTION) {
        NWCCODE rc = removeObjectRestriction(caller, volNum, objectID);
        return rc == TRUSTEE_NOT_FOUND ? SUCCESSFUL : rc;
    }
    Volume* volume = nullptr;
    NWCCODE rc = restrictionChange(*net_, caller, volNum, objectID, volume);
    if (rc != SUCCESSFUL)
        return rc;
    Store* store = services_->store();
    if (store == nullptr || !store->saveRestriction(*volume, objectID, restriction))
        return DIRECTORY_IO_ERROR;
    auto& list = volume->data.restrictions;
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const auto& r) { return r.objectID == objectID; });
    if (found != list.end())
        found->restriction = restriction;
    else
        list.push_back({objectID, restriction});
    return SUCCESSFUL;
}

NWCCODE ServerModel::removeObjectRestriction(const Caller& caller, nuint16 volNum,
                                             nuint32 objectID) {
    Volume* volume = nullptr;
    NWCCODE rc = restrictionChange(*net_, caller, volNum, objectID, volume);
    if (rc != SUCCESSFUL)
        return rc;
    auto& list = volume->data.restrictions;
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const auto& r) { return r.objectID == objectID; });
    if (found == list.end())
        return TRUSTEE_NOT_FOUND;
    Store* store = services_->store();
    if (store == nullptr || !store->removeRestriction(*volume, objectID))
        return DIRECTORY_IO_ERROR;
    list.erase(found);
    return SUCCESSFUL;
}

}  // namespace nw::sim
