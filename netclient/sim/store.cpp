// The state store (see store.h).
#include "store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "privatefiles.h"
#include "services.h"
#include "volumedisk.h"

namespace nw::sim {

namespace fs = std::filesystem;

void crashPoint(const char* point) {
    const char* wanted = std::getenv("NWSIM_CRASH_POINT");
    if (wanted != nullptr && std::strcmp(wanted, point) == 0)
        ::_exit(86);
    const char* pause = std::getenv("NWSIM_PAUSE_POINT");
    if (pause != nullptr && std::strcmp(pause, point) == 0)
        ::raise(SIGSTOP);
}

namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS entries(
    server BLOB, volume BLOB, path TEXT, attributes INTEGER, creator INTEGER, modifier INTEGER,
    archiver INTEGER, created INTEGER, archived INTEGER, irm INTEGER, restriction INTEGER,
    trustees TEXT, PRIMARY KEY(server, volume, path)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS deleted(
    server BLOB, volume BLOB, id INTEGER, directory TEXT, name TEXT, dosname BLOB, size INTEGER,
    attributes INTEGER, creator INTEGER, modifier INTEGER, archiver INTEGER, created INTEGER,
    archived INTEGER, irm INTEGER, modified INTEGER, accessed INTEGER, deleted INTEGER,
    deletor INTEGER, PRIMARY KEY(server, volume, id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS restrictions(
    server BLOB, volume BLOB, object INTEGER, units INTEGER, position INTEGER,
    PRIMARY KEY(server, volume, object)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS volumes(
    server BLOB, volume BLOB, nextDeleted INTEGER, PRIMARY KEY(server, volume)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS journal(
    id INTEGER PRIMARY KEY, kind TEXT, server BLOB, volume BLOB, a TEXT, b TEXT, n INTEGER);
)";

std::string trusteesText(const std::vector<Trustee>& trustees) {
    std::string text;
    for (const Trustee& t : trustees) {
        if (!text.empty())
            text += ';';
        text += std::to_string(t.id) + ':' + std::to_string(t.rights);
    }
    return text;
}

std::vector<Trustee> parseTrustees(const std::string& text) {
    std::vector<Trustee> trustees;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string item = text.substr(start, end - start);
        std::size_t colon = item.find(':');
        if (colon != std::string::npos) {
            Trustee t;
            t.id = static_cast<nuint32>(std::strtoul(item.c_str(), nullptr, 10));
            t.rights = static_cast<nuint16>(std::strtoul(item.c_str() + colon + 1, nullptr, 10));
            trustees.push_back(t);
        }
        start = end + 1;
    }
    return trustees;
}

bool pathExists(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Is there an entry at key in the volume (reached without following links)?
bool onVolume(const Volume& volume, const std::string& key) {
    struct statx st {};
    return statBeneath(volume, key, st) == 0;
}

}  // namespace

std::optional<LockHolder> stateHolder(const fs::path& stateFolder) {
    return StateLock::holderOf(stateFolder);
}

std::set<std::string> storedVolumes(const fs::path& stateFolder) {
    std::set<std::string> stored;
    fs::path file = stateFolder / "volumes.sqlite";
    std::error_code ec;
    if (!fs::exists(file, ec))
        return stored;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT server, volume FROM volumes", -1, &stmt, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                auto text = [&](int column) {
                    const void* data = sqlite3_column_blob(stmt, column);
                    return data == nullptr ? std::string()
                                           : std::string(static_cast<const char*>(data),
                                                         sqlite3_column_bytes(stmt, column));
                };
                stored.insert(text(0) + ":" + text(1));
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return stored;
}

// ---- Statements ---------------------------------------------------------------------------------

class Store::Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(std::int64_t value) {
        if (stmt_ != nullptr)
            sqlite3_bind_int64(stmt_, ++index_, value);
        return *this;
    }
    Statement& text(const std::string& value) {
        if (stmt_ != nullptr) {
            sqlite3_bind_text(stmt_, ++index_, value.data(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& blob(const std::string& value) {
        if (stmt_ != nullptr) {
            sqlite3_bind_blob(stmt_, ++index_, value.data(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& maybe(const std::optional<nuint32>& value) {
        if (stmt_ != nullptr) {
            if (value)
                sqlite3_bind_int64(stmt_, ++index_, *value);
            else
                sqlite3_bind_null(stmt_, ++index_);
        }
        return *this;
    }
    Statement& volume(const Volume& volume) { return blob(volume.server->name).blob(volume.name); }

    // Runs a statement without rows.
    bool run() { return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_DONE; }
    // Steps to the next row; false at the end or on an error (see failed()).
    bool next() {
        if (stmt_ == nullptr) {
            failed_ = true;
            return false;
        }
        int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            failed_ = true;
        return rc == SQLITE_ROW;
    }
    bool failed() const { return failed_; }

    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::optional<nuint32> optional(int column) const {
        if (isNull(column))
            return std::nullopt;
        return static_cast<nuint32>(integer(column));
    }
    std::string string(int column) const {
        const void* data = sqlite3_column_blob(stmt_, column);
        int size = sqlite3_column_bytes(stmt_, column);
        return data == nullptr ? std::string() : std::string(static_cast<const char*>(data), size);
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int index_ = 0;
    bool failed_ = false;
};

// ---- Opening ------------------------------------------------------------------------------------

Store::Store(Network& net) : net_(net) {}

Store::~Store() {
    sqlite3_close(db_);
}

std::unique_ptr<Store> Store::open(Network& net, std::string& error, StoreAccess access) {
    if (!makePrivateFolder(net.stateFolder, error))
        return nullptr;
    std::unique_ptr<Store> store(new Store(net));
    store->lock_ = StateLock::take(net.stateFolder, store->holder_, error);
    if (store->lock_ != nullptr)
        return store->openWritable(error) ? std::move(store) : nullptr;
    if (!store->holder_)
        return nullptr;  // the lock file cannot be used: error says why
    std::string refused = net.stateFolder.string() + ": " + store->holder_->describe() +
                          " holds the lock on this network's state";
    if (access == StoreAccess::RequireLock) {
        error = refused;
        return nullptr;
    }
    if (!store->openReadOnly(error))
        return nullptr;
    error = refused + "; changes are refused, the stored state is only read";
    return store;
}

// The lock is held: settles what a killed holder left half done, then loads or seeds every
// volume and removes bytes without a record.
bool Store::openWritable(std::string& error) {
    fs::path file = net_.stateFolder / "volumes.sqlite";
    if (!makePrivateFolder(net_.stateFolder / "deleted", error) || !makePrivateFile(file, error)) {
        return false;
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::path companion = file;
        companion += suffix;
        if (pathExists(companion) && !makePrivateFile(companion, error))
            return false;
    }
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        error = file.string() + ": " + sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    if (!prepareSchema() || !recover()) {
        error = file.string() + ": " + sqlite3_errmsg(db_);
        return false;
    }
    for (auto& server : net_.servers) {
        for (auto& volume : server->volumes) {
            Statement seeded(db_, "SELECT 1 FROM volumes WHERE server = ? AND volume = ?");
            seeded.volume(*volume);
            bool known = seeded.next();
            if (seeded.failed() || !(known ? load(*volume) : seed(*volume))) {
                error = file.string() + ": " + sqlite3_errmsg(db_);
                return false;
            }
            sweepDeletedFolder(*volume);
        }
    }
    return true;
}

// Another process holds the lock: loads what it has stored, touching nothing. Volumes it has
// not stored yet keep the network file's data.
bool Store::openReadOnly(std::string& error) {
    fs::path file = net_.stateFolder / "volumes.sqlite";
    if (!pathExists(file))
        return true;
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        error = file.string() + ": " + sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    for (auto& server : net_.servers) {
        for (auto& volume : server->volumes) {
            Statement seeded(db_, "SELECT 1 FROM volumes WHERE server = ? AND volume = ?");
            seeded.volume(*volume);
            // A store the holder is still creating has no tables yet: nothing is stored.
            if (seeded.next() && !load(*volume)) {
                error = file.string() + ": " + sqlite3_errmsg(db_);
                return false;
            }
        }
    }
    return true;
}

bool Store::exec(const char* sql) {
    if (!writable())
        return false;
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Store::prepareSchema() {
    return exec("PRAGMA journal_mode = WAL") && exec("PRAGMA synchronous = NORMAL") &&
           transact([&] { return exec(kSchema); });
}

bool Store::transact(const std::function<bool()>& body) {
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    if (body() && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

Volume* Store::volumeNamed(const std::string& server, const std::string& volume) const {
    Server* found = net_.serverNamed(server);
    return found != nullptr ? found->volumeNamed(volume) : nullptr;
}

fs::path Store::deletedPath(const Volume& volume, nuint32 id) const {
    auto utf8 = [&](const std::string& name) {
        return upperAscii(net_.codePage.toUtf8(name).value_or(name));
    };
    return net_.stateFolder / "deleted" / utf8(volume.server->name) / utf8(volume.name) /
           std::to_string(id);
}

// ---- Loading and seeding ------------------------------------------------------------------------

bool Store::load(Volume& volume) {
    VolumeData data;
    Statement entries(db_,
                      "SELECT path, attributes, creator, modifier, archiver, created, archived, "
                      "irm, restriction, trustees FROM entries WHERE server = ? AND volume = ?");
    entries.volume(volume);
    while (entries.next()) {
        EntryMeta meta;
        meta.attributes = static_cast<nuint32>(entries.integer(1));
        meta.creator = entries.optional(2);
        meta.modifier = entries.optional(3);
        meta.archiver = static_cast<nuint32>(entries.integer(4));
        meta.created = entries.optional(5);
        meta.archived = static_cast<nuint32>(entries.integer(6));
        meta.inheritedRights = static_cast<nuint16>(entries.integer(7));
        meta.spaceRestriction = static_cast<nint32>(entries.integer(8));
        meta.trustees = parseTrustees(entries.string(9));
        data.entries.emplace(entries.string(0), std::move(meta));
    }
    Statement deleted(db_,
                      "SELECT id, directory, name, dosname, size, attributes, creator, modifier, "
                      "archiver, created, archived, irm, modified, accessed, deleted, deletor "
                      "FROM deleted WHERE server = ? AND volume = ? ORDER BY id");
    deleted.volume(volume);
    while (deleted.next()) {
        DeletedFile file;
        file.id = static_cast<nuint32>(deleted.integer(0));
        file.directory = deleted.string(1);
        file.diskName = deleted.string(2);
        file.dosName = deleted.string(3);
        file.size = static_cast<nuint64>(deleted.integer(4));
        file.meta.attributes = static_cast<nuint32>(deleted.integer(5));
        file.meta.creator = deleted.optional(6);
        file.meta.modifier = deleted.optional(7);
        file.meta.archiver = static_cast<nuint32>(deleted.integer(8));
        file.meta.created = deleted.optional(9);
        file.meta.archived = static_cast<nuint32>(deleted.integer(10));
        file.meta.inheritedRights = static_cast<nuint16>(deleted.integer(11));
        file.modified = static_cast<nuint32>(deleted.integer(12));
        file.lastAccess = static_cast<nuint16>(deleted.integer(13));
        file.deleted = static_cast<nuint32>(deleted.integer(14));
        file.deletor = static_cast<nuint32>(deleted.integer(15));
        if (!pathExists(deletedPath(volume, file.id))) {
            // Its bytes went (removed by hand): the record cannot be salvaged any more.
            if (writable())
                deleteDeleted(volume, file.id);
            continue;
        }
        data.deletedBytes += file.size;
        ++data.deletedCount;
        std::string directory = file.directory;
        data.deleted[directory].emplace(file.id, std::move(file));
    }
    Statement restrictions(db_,
                           "SELECT object, units FROM restrictions WHERE server = ? AND "
                           "volume = ? ORDER BY position");
    restrictions.volume(volume);
    while (restrictions.next()) {
        NW_VOLUME_RESTRICTION item;
        item.objectID = static_cast<nuint32>(restrictions.integer(0));
        item.restriction = static_cast<nuint32>(restrictions.integer(1));
        data.restrictions.push_back(item);
    }
    Statement counter(db_, "SELECT nextDeleted FROM volumes WHERE server = ? AND volume = ?");
    counter.volume(volume);
    if (counter.next())
        data.nextDeletedId = static_cast<nuint32>(counter.integer(0));
    if (entries.failed() || deleted.failed() || restrictions.failed() || counter.failed())
        return false;
    volume.data = std::move(data);
    return true;
}

// The network file's data becomes the volume's first stored state. The deleted files' bytes are
// written first: a kill before the transaction leaves only bytes that the next sweep removes.
bool Store::seed(Volume& volume) {
    VolumeData& data = volume.data;
    if (!makeDeletedFolder(volume))
        return false;
    for (auto& [directory, files] : data.deleted) {
        for (auto& [id, file] : files) {
            if (!file.seedContent)
                continue;
            fs::path target = deletedPath(volume, id);
            fs::path partial = target;
            partial += ".part";
            int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                            0600);
            if (fd < 0)
                return false;
            const std::string& bytes = *file.seedContent;
            bool written =
                ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                ::fsync(fd) == 0;
            if (::close(fd) != 0 || !written || ::rename(partial.c_str(), target.c_str()) != 0)
                return false;
        }
    }
    bool stored = transact([&] {
        for (const auto& [key, meta] : data.entries) {
            if (!writeEntry(volume, key, meta))
                return false;
        }
        for (const auto& [directory, files] : data.deleted) {
            for (const auto& [id, file] : files) {
                if (!writeDeleted(volume, file))
                    return false;
            }
        }
        for (const NW_VOLUME_RESTRICTION& item : data.restrictions) {
            Statement insert(db_,
                             "INSERT INTO restrictions(server, volume, object, units, position) "
                             "VALUES (?, ?, ?, ?, (SELECT COALESCE(MAX(position), 0) + 1 FROM "
                             "restrictions))");
            if (!insert.volume(volume).bind(item.objectID).bind(item.restriction).run())
                return false;
        }
        Statement seeded(db_, "INSERT INTO volumes(server, volume, nextDeleted) VALUES (?, ?, ?)");
        return seeded.volume(volume).bind(data.nextDeletedId).run();
    });
    if (!stored)
        return false;
    for (auto& [directory, files] : data.deleted) {
        for (auto& [id, file] : files)
            file.seedContent.reset();
    }
    return true;
}

// Bytes without a record (a purge or a seed that a kill interrupted) are removed: files named
// as the store names them, an id or an id with ".part". Anything else is left alone.
void Store::sweepDeletedFolder(const Volume& volume) {
    std::error_code ec;
    for (fs::directory_iterator it(deletedPath(volume, 0).parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::size_t digits = name.find_first_not_of("0123456789");
        std::string_view tail =
            digits == std::string::npos ? "" : std::string_view(name).substr(digits);
        std::error_code statError;
        if (digits == 0 || (tail != "" && tail != ".part") || name.size() > 10 + tail.size() ||
            !it->is_regular_file(statError) || it->is_symlink(statError)) {
            continue;
        }
        bool kept = false;
        if (tail.empty()) {
            Statement known(db_,
                            "SELECT 1 FROM deleted WHERE server = ? AND volume = ? AND id = ?");
            known.volume(volume).bind(std::stoll(name));
            kept = known.next() || known.failed();
        }
        if (!kept)
            ::unlink(it->path().c_str());
    }
}

// ---- Rows ---------------------------------------------------------------------------------------

bool Store::writeEntry(const Volume& volume, const std::string& key, const EntryMeta& meta) {
    if (meta.isDefault())
        return deleteEntries(volume, key, false);
    Statement write(db_,
                    "INSERT INTO entries(server, volume, path, attributes, creator, modifier, "
                    "archiver, created, archived, irm, restriction, trustees) VALUES "
                    "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(server, volume, path) DO "
                    "UPDATE SET attributes = excluded.attributes, creator = excluded.creator, "
                    "modifier = excluded.modifier, archiver = excluded.archiver, created = "
                    "excluded.created, archived = excluded.archived, irm = excluded.irm, "
                    "restriction = excluded.restriction, trustees = excluded.trustees");
    return write.volume(volume)
        .text(key)
        .bind(meta.attributes)
        .maybe(meta.creator)
        .maybe(meta.modifier)
        .bind(meta.archiver)
        .maybe(meta.created)
        .bind(meta.archived)
        .bind(meta.inheritedRights)
        .bind(meta.spaceRestriction)
        .text(trusteesText(meta.trustees))
        .run();
}

bool Store::deleteEntries(const Volume& volume, const std::string& key, bool below) {
    Statement remove(db_, below ? "DELETE FROM entries WHERE server = ? AND volume = ? AND "
                                  "(path = ?3 OR substr(path, 1, length(?3) + 1) = ?3 || '/')"
                                : "DELETE FROM entries WHERE server = ? AND volume = ? AND "
                                  "path = ?3");
    return remove.volume(volume).text(key).run();
}

bool Store::rekey(const Volume& volume, const std::string& from, const std::string& to) {
    Statement entries(db_,
                      "UPDATE entries SET path = ?4 || substr(path, length(?3) + 1) WHERE "
                      "server = ?1 AND volume = ?2 AND (path = ?3 OR substr(path, 1, "
                      "length(?3) + 1) = ?3 || '/')");
    Statement deleted(db_,
                      "UPDATE deleted SET directory = ?4 || substr(directory, length(?3) + 1) "
                      "WHERE server = ?1 AND volume = ?2 AND (directory = ?3 OR "
                      "substr(directory, 1, length(?3) + 1) = ?3 || '/')");
    return entries.volume(volume).text(from).text(to).run() &&
           deleted.volume(volume).text(from).text(to).run();
}

bool Store::writeDeleted(const Volume& volume, const DeletedFile& file) {
    Statement write(db_,
                    "INSERT INTO deleted(server, volume, id, directory, name, dosname, "
                    "size, attributes, creator, modifier, archiver, created, archived, irm, "
                    "modified, accessed, deleted, deletor) VALUES "
                    "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    return write.volume(volume)
        .bind(file.id)
        .text(file.directory)
        .text(file.diskName)
        .blob(file.dosName)
        .bind(static_cast<std::int64_t>(file.size))
        .bind(file.meta.attributes)
        .maybe(file.meta.creator)
        .maybe(file.meta.modifier)
        .bind(file.meta.archiver)
        .maybe(file.meta.created)
        .bind(file.meta.archived)
        .bind(file.meta.inheritedRights)
        .bind(file.modified)
        .bind(file.lastAccess)
        .bind(file.deleted)
        .bind(file.deletor)
        .run();
}

bool Store::deleteDeleted(const Volume& volume, nuint32 id) {
    Statement remove(db_, "DELETE FROM deleted WHERE server = ? AND volume = ? AND id = ?");
    return remove.volume(volume).bind(id).run();
}

bool Store::writeCounter(const Volume& volume, nuint32 next) {
    Statement write(db_, "UPDATE volumes SET nextDeleted = ? WHERE server = ? AND volume = ?");
    return write.bind(next).volume(volume).run();
}

// The id for the next deleted file of a volume, read inside the transaction that records it:
// past the stored counter and past every stored record, so no record is ever written over.
std::int64_t Store::nextDeletedId(const Volume& volume) {
    Statement next(db_,
                   "SELECT MAX((SELECT COALESCE(MAX(nextDeleted), 1) FROM volumes WHERE server = "
                   "?1 AND volume = ?2), (SELECT COALESCE(MAX(id), 0) + 1 FROM deleted WHERE "
                   "server = ?1 AND volume = ?2))");
    next.volume(volume);
    return next.next() ? next.integer(0) : 0;
}

// deleted/SERVER/VOLUME, the user's alone.
bool Store::makeDeletedFolder(const Volume& volume) {
    std::string error;
    fs::path folder = deletedPath(volume, 0).parent_path();
    return makePrivateFolder(folder.parent_path(), error) && makePrivateFolder(folder, error);
}

bool Store::saveEntry(const Volume& volume, const std::string& key, const EntryMeta& meta) {
    return transact([&] { return writeEntry(volume, key, meta); });
}

bool Store::saveRestriction(const Volume& volume, nuint32 objectId, nuint32 units) {
    return transact([&] {
        Statement write(db_,
                        "INSERT INTO restrictions(server, volume, object, units, position) VALUES "
                        "(?, ?, ?, ?, (SELECT COALESCE(MAX(position), 0) + 1 FROM restrictions)) "
                        "ON CONFLICT(server, volume, object) DO UPDATE SET units = excluded.units");
        return write.volume(volume).bind(objectId).bind(units).run();
    });
}

bool Store::removeRestriction(const Volume& volume, nuint32 objectId) {
    return transact([&] {
        Statement remove(db_,
                         "DELETE FROM restrictions WHERE server = ? AND volume = ? AND object = ?");
        return remove.volume(volume).bind(objectId).run();
    });
}

// ---- Journaled changes --------------------------------------------------------------------------

std::int64_t Store::journal(const char* kind, const Volume& volume, const std::string& a,
                            const std::string& b, std::int64_t n) {
    Statement write(db_,
                    "INSERT INTO journal(kind, server, volume, a, b, n) VALUES (?, ?, ?, ?, ?, ?)");
    if (!write.text(kind).volume(volume).text(a).text(b).bind(n).run())
        return 0;
    return sqlite3_last_insert_rowid(db_);
}

bool Store::endJournal(std::int64_t id) {
    Statement remove(db_, "DELETE FROM journal WHERE id = ?");
    return remove.bind(id).run();
}

// After the disk step: completes the change (or, when the step failed, undoes it) the way the
// recovery at opening does, by looking at the disk.
int Store::finish(std::int64_t journalId, const Volume& volume, int diskResult) {
    Statement row(db_, "SELECT kind, a, b, n FROM journal WHERE id = ?");
    row.bind(journalId);
    if (row.next()) {
        std::string kind = row.string(0);
        std::string a = row.string(1);
        std::string b = row.string(2);
        std::int64_t n = row.integer(3);
        // A failure here leaves the journal row for the next opening to settle.
        transact([&] {
            return recoverOne(journalId, kind, const_cast<Volume*>(&volume), a, b, n,
                              diskResult != 0);
        });
    }
    return diskResult;
}

int Store::createEntry(const Volume& volume, const std::string& key, const EntryMeta& meta,
                       const DiskStep& create) {
    std::int64_t id = 0;
    if (!transact([&] {
            id = journal("create", volume, key, "", 0);
            return id != 0 && deleteEntries(volume, key, true) && writeEntry(volume, key, meta);
        })) {
        return kStoreFailed;
    }
    crashPoint("create:disk");
    int rc = create();
    crashPoint("create:done");
    return finish(id, volume, rc);
}

int Store::eraseFile(Volume& volume, const std::string& key, DeletedFile& file) {
    std::int64_t id = 0;
    if (!transact([&] {
            std::int64_t next = nextDeletedId(volume);
            if (next <= 0 || next >= 0xFFFFFFFF)
                return false;
            file.id = static_cast<nuint32>(next);
            id = journal("erase", volume, key, "", file.id);
            return id != 0 && writeDeleted(volume, file) && writeCounter(volume, file.id + 1);
        })) {
        return kStoreFailed;
    }
    volume.data.nextDeletedId = file.id + 1;
    bool folder = makeDeletedFolder(volume);
    crashPoint("erase:disk");
    int rc = folder ? moveOutOf(volume, key, deletedPath(volume, file.id)) : EIO;
    crashPoint("erase:done");
    return finish(id, volume, rc);
}

int Store::removeEntry(const Volume& volume, const std::string& key, const DiskStep& remove) {
    std::int64_t id = 0;
    if (!transact([&] {
            id = journal("remove", volume, key, "", 0);
            return id != 0;
        })) {
        return kStoreFailed;
    }
    crashPoint("remove:disk");
    int rc = remove();
    crashPoint("remove:done");
    return finish(id, volume, rc);
}

int Store::moveEntry(const Volume& volume, const std::string& from, const std::string& to,
                     const DiskStep& rename) {
    std::int64_t id = 0;
    if (!transact([&] {
            id = journal("move", volume, from, to, 0);
            return id != 0 && deleteEntries(volume, to, true) && rekey(volume, from, to);
        })) {
        return kStoreFailed;
    }
    crashPoint("move:disk");
    int rc = rename();
    crashPoint("move:done");
    return finish(id, volume, rc);
}

int Store::recoverFile(const Volume& volume, const DeletedFile& file, const std::string& key,
                       const EntryMeta& meta) {
    std::int64_t id = 0;
    if (!transact([&] {
            id = journal("recover", volume, key, "", file.id);
            return id != 0 && deleteEntries(volume, key, true) && writeEntry(volume, key, meta);
        })) {
        return kStoreFailed;
    }
    crashPoint("recover:disk");
    int rc = moveInto(deletedPath(volume, file.id), volume, key);
    crashPoint("recover:done");
    return finish(id, volume, rc);
}

int Store::purgeFile(const Volume& volume, const DeletedFile& file) {
    if (!transact([&] { return deleteDeleted(volume, file.id); }))
        return kStoreFailed;
    crashPoint("purge:disk");
    ::unlink(deletedPath(volume, file.id).c_str());  // a kill here leaves bytes the sweep removes
    return 0;
}

// ---- Recovery -----------------------------------------------------------------------------------

bool Store::recover() {
    struct Row {
        std::int64_t id;
        std::string kind, server, volume, a, b;
        std::int64_t n;
    };
    std::vector<Row> rows;
    Statement journal(db_, "SELECT id, kind, server, volume, a, b, n FROM journal ORDER BY id");
    while (journal.next()) {
        rows.push_back({journal.integer(0), journal.string(1), journal.string(2), journal.string(3),
                        journal.string(4), journal.string(5), journal.integer(6)});
    }
    if (journal.failed())
        return false;
    for (const Row& row : rows) {
        Volume* volume = volumeNamed(row.server, row.volume);
        if (!transact(
                [&] { return recoverOne(row.id, row.kind, volume, row.a, row.b, row.n, false); }))
            return false;
    }
    return true;
}

// Settles one journaled change inside a transaction: undone when its disk step failed, else
// completed or undone from what the disk shows.
bool Store::recoverOne(std::int64_t id, const std::string& kind, Volume* volume,
                       const std::string& a, const std::string& b, std::int64_t n, bool failed) {
    if (volume == nullptr)  // the network file no longer has that volume
        return endJournal(id);
    const Volume& v = *volume;
    auto deleted = static_cast<nuint32>(n);
    bool ok = true;
    if (failed) {
        if (kind == "create" || kind == "recover")
            ok = deleteEntries(v, a, true);
        else if (kind == "erase")
            ok = deleteDeleted(v, deleted);
        else if (kind == "move")
            ok = rekey(v, b, a);
    } else if (kind == "create") {
        if (!onVolume(v, a))
            ok = deleteEntries(v, a, true);
    } else if (kind == "erase") {
        if (pathExists(deletedPath(v, deleted))) {
            ok = deleteEntries(v, a, true);
            unlinkBeneath(v, a);  // still there when a copy across disks was cut
        } else {
            ok = deleteDeleted(v, deleted);
        }
    } else if (kind == "remove") {
        if (!onVolume(v, a)) {
            // The deleted files kept in a removed directory stay salvageable from the root.
            Statement keep(db_,
                           "UPDATE deleted SET directory = '' WHERE server = ? AND volume = ? "
                           "AND directory = ?");
            ok = deleteEntries(v, a, true) && keep.volume(v).text(a).run();
        }
    } else if (kind == "move") {
        if (onVolume(v, a) && !onVolume(v, b))
            ok = rekey(v, b, a);
    } else if (kind == "recover") {
        if (pathExists(deletedPath(v, deleted))) {
            if (onVolume(v, a))  // linked, not yet unlinked from the store
                ::unlink(deletedPath(v, deleted).c_str());
            else
                ok = deleteEntries(v, a, true);
        }
        if (ok && !pathExists(deletedPath(v, deleted)))
            ok = deleteDeleted(v, deleted);
    }
    return ok && endJournal(id);
}

}  // namespace nw::sim
