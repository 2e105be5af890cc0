// The state store: what the simulated servers keep beside their volumes' folders survives a
// restart of the program. One SQLite database, state/volumes.sqlite, holds the entries' metadata,
// the deleted files' records, the users' restrictions and a journal; the deleted files' bytes lie
// in state/deleted/SERVER/VOLUME/<id>, outside every volume folder (see the README).
//
// A change that only touches metadata is one transaction. A change that also touches the disk
// (create, erase, move, remove, recover) is journaled: a first transaction records the intent
// and the new metadata, the disk step follows, a second transaction completes it. Opening the
// store finishes or undoes a change that a killed process left half done, by looking at the
// disk, so a kill loses at most the change it interrupted and never leaves the metadata out of
// step with the folders.
//
// One process at a time changes a state folder: the one that holds its lock (statelock.h). A
// store opened while another process holds the lock reads the stored state as it was then, never
// settles the holder's journal, and refuses every change (the operations answer
// DIRECTORY_IO_ERROR). The folder and its files are the user's alone (0700 and 0600).
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "model.h"
#include "statelock.h"

namespace nw::sim {

// What a store does when another process holds the state folder's lock.
enum class StoreAccess {
    ReadWhenHeld,  // open for reading only (the in-process simulator)
    RequireLock,   // fail (a server process, which must be able to serve changes)
};

class Store {
public:
    // Opens (or creates) the store in net.stateFolder, completes interrupted changes and loads
    // every volume's data, or records the network file's data for a volume met the first time.
    // Null with error set when the store cannot be used. When another process holds the lock,
    // ReadWhenHeld loads what is stored (volumes never stored keep the network file's data)
    // and sets error to say that changes are refused and who holds the lock.
    static std::unique_ptr<Store> open(Network& net, std::string& error,
                                       StoreAccess access = StoreAccess::ReadWhenHeld);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Whether this store may change the state: it holds the state folder's lock.
    bool writable() const { return lock_ != nullptr; }
    // Who held the lock when a store that is not writable was opened.
    const std::optional<LockHolder>& holder() const { return holder_; }

    // Where the bytes of a deleted file lie.
    std::filesystem::path deletedPath(const Volume& volume, nuint32 id) const;

    // Metadata-only changes, one transaction each. false: nothing was stored.
    bool saveEntry(const Volume& volume, const std::string& key, const EntryMeta& meta);
    bool saveRestriction(const Volume& volume, nuint32 objectId, nuint32 units);
    bool removeRestriction(const Volume& volume, nuint32 objectId);

    // The disk step of a journaled change: 0 on success, else an errno value.
    using DiskStep = std::function<int()>;
    // The answers of the journaled changes: 0, an errno value from the disk step (the change was
    // undone), or kStoreFailed (nothing was changed).
    static constexpr int kStoreFailed = -1;

    // A new entry at key with its metadata; create makes it on disk.
    int createEntry(const Volume& volume, const std::string& key, const EntryMeta& meta,
                    const DiskStep& create);
    // The file at key becomes the deleted file; its bytes move into the store. Its id (file.id) is
    // taken from the stored counter in the same transaction that records it, and the volume's
    // counter advances.
    int eraseFile(Volume& volume, const std::string& key, DeletedFile& file);
    // The file or empty directory at key goes for good; remove takes it off the disk.
    int removeEntry(const Volume& volume, const std::string& key, const DiskStep& remove);
    // The entry at from (and everything below it, with the deleted files kept in it) moves to
    // to; rename moves it on disk.
    int moveEntry(const Volume& volume, const std::string& from, const std::string& to,
                  const DiskStep& rename);
    // The deleted file comes back at key with meta (never replacing an entry there: EEXIST).
    int recoverFile(const Volume& volume, const DeletedFile& file, const std::string& key,
                    const EntryMeta& meta);
    // The deleted file is purged.
    int purgeFile(const Volume& volume, const DeletedFile& file);

private:
    class Statement;
    explicit Store(Network& net);
    bool openWritable(std::string& error);
    bool openReadOnly(std::string& error);
    bool exec(const char* sql);
    bool transact(const std::function<bool()>& body);
    bool prepareSchema();
    bool recover();
    bool recoverOne(std::int64_t id, const std::string& kind, Volume* volume, const std::string& a,
                    const std::string& b, std::int64_t n, bool failed);
    bool load(Volume& volume);
    bool seed(Volume& volume);
    void sweepDeletedFolder(const Volume& volume);
    std::int64_t journal(const char* kind, const Volume& volume, const std::string& a,
                         const std::string& b, std::int64_t n);
    bool endJournal(std::int64_t id);
    bool writeEntry(const Volume& volume, const std::string& key, const EntryMeta& meta);
    bool deleteEntries(const Volume& volume, const std::string& key, bool below);
    bool rekey(const Volume& volume, const std::string& from, const std::string& to);
    bool writeDeleted(const Volume& volume, const DeletedFile& file);
    bool deleteDeleted(const Volume& volume, nuint32 id);
    bool writeCounter(const Volume& volume, nuint32 next);
    std::int64_t nextDeletedId(const Volume& volume);
    bool makeDeletedFolder(const Volume& volume);
    int finish(std::int64_t journalId, const Volume& volume, int diskResult);
    Volume* volumeNamed(const std::string& server, const std::string& volume) const;

    Network& net_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<StateLock> lock_;
    std::optional<LockHolder> holder_;
};

// The volumes whose state the store in a state folder holds already, as "SERVER:VOLUME" (code
// page names); empty when there is no store or it cannot be read. Reads only.
std::set<std::string> storedVolumes(const std::filesystem::path& stateFolder);

// Who holds the lock of a state folder now (nullopt: nobody), without taking it.
std::optional<LockHolder> stateHolder(const std::filesystem::path& stateFolder);

// Test hook: a process whose environment names this point in NWSIM_CRASH_POINT ends at once
// when it reaches it (as if killed), e.g. "erase:disk" before and "erase:done" after a disk step;
// one that names it in NWSIM_PAUSE_POINT stops there (SIGSTOP) until it is continued.
void crashPoint(const char* point);

}  // namespace nw::sim
