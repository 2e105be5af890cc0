#include "registry_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace vnk::win::detail {
namespace {

// Marks a database as ours ("VnkR").
constexpr int kApplicationId = 0x566E6B52;
constexpr int kBusyTimeoutMs = 10000;

thread_local std::string t_detail;

// Whether the mode bits of `st` let this process read / write the file, without the
// superuser's exemption.
void modeAccess(const struct stat& st, bool& canRead, bool& canWrite) {
    mode_t r = S_IROTH;
    mode_t w = S_IWOTH;
    if (st.st_uid == geteuid()) {
        r = S_IRUSR;
        w = S_IWUSR;
    } else {
        bool inGroup = st.st_gid == getegid();
        if (!inGroup) {
            const int n = getgroups(0, nullptr);
            if (n > 0) {
                std::vector<gid_t> groups(static_cast<std::size_t>(n));
                const int got = getgroups(n, groups.data());
                for (int i = 0; i < got; ++i) {
                    inGroup = inGroup || groups[static_cast<std::size_t>(i)] == st.st_gid;
                }
            }
        }
        if (inGroup) {
            r = S_IRGRP;
            w = S_IWGRP;
        }
    }
    canRead = (st.st_mode & r) != 0;
    canWrite = (st.st_mode & w) != 0;
}

// Whoever may change the registry chooses the libraries the program loads, so its folder and
// databases must be this user's own (or the superuser's) and closed to everyone else's writes.
LONG checkPrivate(const struct stat& st, const std::string& path, const char* what) {
    if (st.st_uid != geteuid() && st.st_uid != 0) {
        return fail(ERROR_ACCESS_DENIED, std::string("the registry ") + what + " " + path +
                                             " belongs to another user (uid " +
                                             std::to_string(st.st_uid) +
                                             "); the registry is used only when it is the user's "
                                             "own");
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return fail(ERROR_ACCESS_DENIED, std::string("the registry ") + what + " " + path +
                                             " may be written by other users (mode " + mode +
                                             "); make it private with chmod go-w");
    }
    return ERROR_SUCCESS;
}

// mkdir -p; folders it creates are user-only.
bool makeDirectories(const std::string& dir) {
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(dir.substr(0, slash))) {
        return false;
    }
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER REFERENCES keys(id),"
    " name TEXT NOT NULL, fold TEXT NOT NULL,"
    " mtime INTEGER NOT NULL DEFAULT 0);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold);"
    "CREATE TABLE IF NOT EXISTS vals("
    " key INTEGER NOT NULL REFERENCES keys(id),"
    " name TEXT NOT NULL, fold TEXT NOT NULL,"
    " type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_name ON vals(key, fold);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold, mtime) VALUES(1, NULL, '', '', 0);";

// A key's values in the order they were created (the index holds the row id after the key), so
// that enumeration continues from the last value it gave. Hives made before it get it on open.
const char* const kValueOrderIndex = "CREATE INDEX IF NOT EXISTS vals_order ON vals(key)";

// Runs `sql` in a transaction of its own (never a batch's: the hive is being readied).
int execAlone(Hive& h, const std::string& sql) {
    int rc = exec(h, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = sqlite3_exec(h.db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = exec(h, "COMMIT");
    }
    if (rc != SQLITE_OK) {
        exec(h, "ROLLBACK");
    }
    return rc;
}

// Checks that an existing database is one of ours.
LONG checkSchema(Hive& h) {
    Stmt st(h, "PRAGMA application_id");
    if (!st.ok()) {
        return mapSqlite(st.prepareError(), h.db, h.path, false);
    }
    const int rc = st.step();
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    if (st.i64(0) != kApplicationId) {
        return fail(ERROR_BADDB, "the registry database " + h.path +
                                     " is damaged or is not a registry database");
    }
    Stmt root(h, "SELECT count(*) FROM keys WHERE id = 1 AND parent IS NULL");
    const int rc2 = root.step();
    if (rc2 != SQLITE_ROW) {
        return mapSqlite(rc2 == SQLITE_DONE ? SQLITE_CORRUPT : rc2, h.db, h.path, false);
    }
    if (root.i64(0) != 1) {
        return fail(ERROR_BADDB, "the registry database " + h.path + " has lost its root key");
    }
    return ERROR_SUCCESS;
}

// Readies a freshly opened connection; the SQLite code of a failure, SQLITE_OK when ready.
// Every statement and transaction here ends before the caller may close the connection.
int prepareConnection(Hive& h, bool readWrite) {
    sqlite3_busy_timeout(h.db, kBusyTimeoutMs);
    if (!readWrite) {
        return SQLITE_OK;
    }
    // WAL lets readers and one writer work at once; NORMAL synchronisation keeps every
    // committed transaction through a crash of the process.
    int rc = exec(h, "PRAGMA journal_mode = WAL");
    if (rc != SQLITE_OK) {
        return rc;
    }
    exec(h, "PRAGMA synchronous = NORMAL");
    std::int64_t tables = 0;
    std::int64_t orderIndex = 0;
    {
        Stmt count(h,
                   "SELECT count(*), count(CASE WHEN name = 'vals_order' THEN 1 END) "
                   "FROM sqlite_master");
        rc = count.step();
        if (rc != SQLITE_ROW) {
            return rc;
        }
        tables = count.i64(0);
        orderIndex = count.i64(1);
    }
    if (tables == 0) {
        return execAlone(h, std::string(kSchema) + kValueOrderIndex +
                                ";PRAGMA application_id = " + std::to_string(kApplicationId));
    }
    // Not on a database of another program: checkSchema refuses that one next.
    Stmt ours(h, "PRAGMA application_id");
    if (orderIndex == 0 && ours.step() == SQLITE_ROW && ours.i64(0) == kApplicationId) {
        return execAlone(h, kValueOrderIndex);
    }
    return SQLITE_OK;
}

LONG openConnection(Hive& h, bool readWrite) {
    const int flags = (readWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    for (int attempt = 0;; ++attempt) {
        h.close();
        int rc = sqlite3_open_v2(h.path.c_str(), &h.db, flags, nullptr);
        if (rc == SQLITE_OK) {
            rc = prepareConnection(h, readWrite);
        }
        if (rc == SQLITE_OK) {
            break;
        }
        // Another process may be creating the same database this very moment.
        const int primary = rc & 0xFF;
        if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && attempt < 100) {
            h.close();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const LONG e = mapSqlite(rc, h.db, h.path, readWrite);
        h.close();
        return e;
    }
    h.dbWritable = readWrite;
    const LONG e = checkSchema(h);
    if (e != ERROR_SUCCESS) {
        h.close();
    }
    return e;
}

// The registry folder, created when missing, and checked to be private.
LONG useDirectory(const std::string& dir) {
    if (dir.empty()) {
        return fail(ERROR_CANTOPEN,
                    "no private folder for the registry is known: HOME, XDG_DATA_HOME and "
                    "VARNOOK_REGISTRY_DIR are all unset; set one of them");
    }
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0) {
        if (errno != ENOENT || !makeDirectories(dir) || stat(dir.c_str(), &st) != 0) {
            return fail(ERROR_CANTOPEN, "the registry folder " + dir + " cannot be created (" +
                                            std::strerror(errno) + ")");
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        return fail(ERROR_CANTOPEN, "the registry folder " + dir + " is not a folder");
    }
    return checkPrivate(st, dir, "folder");
}

}  // namespace

LONG fail(LONG code, std::string detail) {
    t_detail = std::move(detail);
    return code;
}

const std::string& lastFailureDetail() {
    return t_detail;
}

LONG mapSqlite(int rc, sqlite3* db, const std::string& path, bool writing) {
    const std::string msg = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    switch (rc & 0xFF) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_FORMAT:
        case SQLITE_SCHEMA:
            return fail(ERROR_BADDB, "the registry database " + path +
                                         " is damaged or is not a registry "
                                         "database (" +
                                         msg + ")");
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return fail(ERROR_ACCESS_DENIED,
                        "the registry database " + path + " may not be written (" + msg + ")");
        case SQLITE_CANTOPEN:
            return fail(ERROR_CANTOPEN,
                        "the registry database " + path + " cannot be opened (" + msg + ")");
        case SQLITE_NOMEM:
            return fail(ERROR_NOT_ENOUGH_MEMORY, "out of memory");
        case SQLITE_TOOBIG:
            return fail(ERROR_INVALID_PARAMETER, "the data is too large");
        default:
            return fail(writing ? ERROR_CANTWRITE : ERROR_CANTREAD,
                        std::string(writing ? "writing" : "reading") + " the registry database " +
                            path + " failed (" + msg + ")");
    }
}

void Hive::close() {
    for (auto& [sql, st] : statements) {
        sqlite3_finalize(st);
    }
    statements.clear();
    if (db != nullptr) {
        sqlite3_close_v2(db);
        db = nullptr;
    }
    if (inBatch) {
        // Closing rolled the batch's changes back; its commit must not report success.
        batchLost = true;
        inBatch = false;
    }
}

void Hive::checkpointAndClose() {
    if (db != nullptr && dbWritable && !inBatch) {
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    close();
}

std::string defaultDirectory() {
    if (const char* d = std::getenv("VARNOOK_REGISTRY_DIR"); d != nullptr && *d != '\0') {
        return d;
    }
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x == '/') {
        return std::string(x) + "/varnook/registry";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return std::string(home) + "/.local/share/varnook/registry";
    }
    return {};
}

LONG useHive(Hive& h, const std::string& directory, bool& writable) {
    // The folder is checked whenever a connection is about to be opened: only its owner could
    // open it to others later, and the superuser give it away.
    LONG e = h.db == nullptr ? useDirectory(directory) : ERROR_SUCCESS;
    if (e != ERROR_SUCCESS) {
        return e;
    }
    if (h.path.empty()) {
        h.path = directory + "/" + h.name + ".db";
    }
    // The database is looked at on every call: its mode bits say whether it may be written now.
    struct stat st {};
    if (stat(h.path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return fail(ERROR_CANTOPEN, "the registry database " + h.path + " cannot be opened (" +
                                            std::strerror(errno) + ")");
        }
        h.close();
        if ((e = useDirectory(directory)) != ERROR_SUCCESS) {
            return e;
        }
        const int fd = open(h.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            return fail(ERROR_CANTOPEN, "the registry database " + h.path + " cannot be created (" +
                                            std::strerror(errno) + ")");
        }
        if (fd >= 0) {
            fchmod(fd, 0600);
            close(fd);
        }
        if (stat(h.path.c_str(), &st) != 0) {
            return fail(ERROR_CANTOPEN, "the registry database " + h.path + " vanished");
        }
    }
    if (!S_ISREG(st.st_mode)) {
        h.close();
        return fail(ERROR_CANTOPEN, "the registry database " + h.path + " is not a file");
    }
    if ((e = checkPrivate(st, h.path, "database")) != ERROR_SUCCESS) {
        h.close();
        return e;
    }
    bool canRead = false;
    modeAccess(st, canRead, writable);
    if (!canRead) {
        h.close();
        return fail(ERROR_ACCESS_DENIED,
                    "the registry database " + h.path + " may not be read by this user");
    }
    if (h.db == nullptr || (writable && !h.dbWritable)) {
        if (h.inBatch) {
            h.close();
            return fail(ERROR_CANTWRITE, "the registry database " + h.path +
                                             " changed during the batch; nothing was kept");
        }
        if ((e = openConnection(h, writable)) != ERROR_SUCCESS) {
            return e;
        }
    }
    return ERROR_SUCCESS;
}

// ---- Statements -----------------------------------------------------------------------------
Stmt::Stmt(Hive& h, const char* sql) {
    auto it = h.statements.find(sql);
    if (it != h.statements.end()) {
        st_ = it->second;
        return;
    }
    rc_ = sqlite3_prepare_v3(h.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st_, nullptr);
    if (rc_ == SQLITE_OK) {
        h.statements[sql] = st_;
    } else {
        st_ = nullptr;
    }
}

Stmt::~Stmt() {
    if (st_ != nullptr) {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
}

Stmt& Stmt::bind(int i, std::int64_t v) {
    if (st_ != nullptr) {
        sqlite3_bind_int64(st_, i, v);
    }
    return *this;
}

Stmt& Stmt::bind(int i, std::string_view v) {
    if (st_ != nullptr) {
        sqlite3_bind_text(st_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

Stmt& Stmt::bindBlob(int i, std::string_view v) {
    if (st_ != nullptr) {
        sqlite3_bind_blob(st_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

std::string Stmt::str(int c) const {
    const void* p = sqlite3_column_blob(st_, c);
    const int n = sqlite3_column_bytes(st_, c);
    return p != nullptr ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                        : std::string();
}

int exec(Hive& h, const char* sql) {
    return sqlite3_exec(h.db, sql, nullptr, nullptr, nullptr);
}

// ---- Write transactions -----------------------------------------------------------------------
WriteTxn::WriteTxn(Hive& h) : hive_(h) {
    if (!h.batchWanted) {
        rc_ = exec(h, "BEGIN IMMEDIATE");
        return;
    }
    nested_ = true;
    if (h.batchLost || (h.inBatch && sqlite3_get_autocommit(h.db) != 0)) {
        // SQLite ended the batch's transaction itself (after an I/O error, say).
        h.batchLost = true;
        rc_ = SQLITE_ABORT;
        fail(ERROR_CANTWRITE, "the batch's transaction on " + h.path + " was lost");
        return;
    }
    if (!h.inBatch) {
        if ((rc_ = exec(h, "BEGIN IMMEDIATE")) != SQLITE_OK) {
            return;
        }
        h.inBatch = true;
    }
    rc_ = exec(h, "SAVEPOINT call");
}

WriteTxn::~WriteTxn() {
    if (rc_ != SQLITE_OK || done_) {
        return;
    }
    if (!nested_) {
        exec(hive_, "ROLLBACK");
    } else if (exec(hive_, "ROLLBACK TO call") != SQLITE_OK ||
               exec(hive_, "RELEASE call") != SQLITE_OK) {
        hive_.batchLost = true;
    }
}

int WriteTxn::commit() {
    done_ = true;
    if (nested_) {
        const int rc = exec(hive_, "RELEASE call");
        if (rc != SQLITE_OK) {
            hive_.batchLost = true;
        }
        return rc;
    }
    const int rc = exec(hive_, "COMMIT");
    if (rc != SQLITE_OK) {
        exec(hive_, "ROLLBACK");
    }
    return rc;
}

}  // namespace vnk::win::detail
