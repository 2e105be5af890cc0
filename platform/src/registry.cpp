// The registry over SQLite. See platform/registry.h for the behaviour; this file keeps one
// connection per hive per process and a table of open key handles, both behind one mutex.
#include "platform/registry.h"

#include <fcntl.h>
#include <grp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace vnk::win {
namespace {

// Marks a database as ours ("VnkR").
constexpr int kApplicationId = 0x566E6B52;
constexpr std::int64_t kRootKey = 1;
constexpr int kBusyTimeoutMs = 10000;

thread_local std::string t_detail;

LONG fail(LONG code, std::string detail) {
    t_detail = std::move(detail);
    return code;
}

// ---- Case folding of key and value names ----------------------------------------------------
char32_t foldChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
        (c >= 0x410 && c <= 0x42F)) {
        return c + 32;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs: upper case on even code points, except 0x139-0x148 and
        // 0x179-0x17E where the upper case is odd.
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c % 2 == 1) : (c % 2 == 0)) {
            return c + 1;
        }
    }
    return c;
}

std::string fold(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) {
        for (char c : s) {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        }
        return out;
    }
    const std::u16string w = text::utf8ToUtf16(s);
    std::u16string f;
    f.reserve(w.size());
    for (char16_t c : w) {
        f += static_cast<char16_t>(foldChar(c));
    }
    return text::utf16ToUtf8(f);
}

std::size_t charCount(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::int64_t nowFiletime() {
    using namespace std::chrono;
    const auto ns = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    // 100 ns intervals since 1601-01-01.
    return ns / 100 + 116444736000000000LL;
}

// ---- One hive ---------------------------------------------------------------------------------
struct Hive {
    explicit Hive(const char* n) : name(n) {}
    const char* name;
    std::string path;
    sqlite3* db = nullptr;
    bool dbWritable = false;  // the connection was opened read-write
    std::map<const char*, sqlite3_stmt*> statements;

    void close() {
        for (auto& [sql, st] : statements) {
            sqlite3_finalize(st);
        }
        statements.clear();
        if (db != nullptr) {
            sqlite3_close_v2(db);
            db = nullptr;
        }
    }
};

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

std::string defaultDirectory() {
    if (const char* d = std::getenv("VARNOOK_REGISTRY_DIR"); d != nullptr && *d != '\0') {
        return d;
    }
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x == '/') {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/share";
    }
    return base + "/varnook/registry";
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

struct Handle {
    int hive;
    std::int64_t key;
    REGSAM granted;
};

struct Registry {
    std::mutex mutex;
    std::optional<std::string> dir;
    Hive hives[2] = {Hive("HKEY_LOCAL_MACHINE"), Hive("HKEY_CURRENT_USER")};
    std::unordered_map<std::uint32_t, Handle> handles;
    std::uint32_t nextHandle = 1;

    const std::string& directory() {
        if (!dir) {
            dir = defaultDirectory();
        }
        return *dir;
    }
};

Registry& registry() {
    static Registry* r = new Registry;  // lives for the whole process (no teardown order issue)
    return *r;
}

// ---- Statements -----------------------------------------------------------------------------
class Stmt {
public:
    Stmt(Hive& h, const char* sql) {
        auto it = h.statements.find(sql);
        if (it != h.statements.end()) {
            st_ = it->second;
        } else {
            rc_ = sqlite3_prepare_v3(h.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st_, nullptr);
            if (rc_ == SQLITE_OK) {
                h.statements[sql] = st_;
            } else {
                st_ = nullptr;
            }
        }
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    ~Stmt() {
        if (st_ != nullptr) {
            sqlite3_reset(st_);
            sqlite3_clear_bindings(st_);
        }
    }
    bool ok() const { return st_ != nullptr; }
    int prepareError() const { return rc_; }
    Stmt& bind(int i, std::int64_t v) {
        if (st_ != nullptr) {
            sqlite3_bind_int64(st_, i, v);
        }
        return *this;
    }
    Stmt& bind(int i, std::string_view v) {
        if (st_ != nullptr) {
            sqlite3_bind_text(st_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    Stmt& bindBlob(int i, std::string_view v) {
        if (st_ != nullptr) {
            // An empty value is an empty blob, never NULL.
            sqlite3_bind_blob(st_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return st_ != nullptr ? sqlite3_step(st_) : rc_; }
    std::int64_t i64(int c) const { return sqlite3_column_int64(st_, c); }
    std::string str(int c) const {
        const void* p = sqlite3_column_blob(st_, c);
        const int n = sqlite3_column_bytes(st_, c);
        return p != nullptr ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                            : std::string();
    }

private:
    sqlite3_stmt* st_ = nullptr;
    int rc_ = SQLITE_OK;
};

int exec(Hive& h, const char* sql) {
    return sqlite3_exec(h.db, sql, nullptr, nullptr, nullptr);
}

// One write transaction; rolls back unless committed.
class WriteTxn {
public:
    explicit WriteTxn(Hive& h) : hive_(h) { rc_ = exec(h, "BEGIN IMMEDIATE"); }
    WriteTxn(const WriteTxn&) = delete;
    WriteTxn& operator=(const WriteTxn&) = delete;
    ~WriteTxn() {
        if (rc_ == SQLITE_OK && !done_) {
            exec(hive_, "ROLLBACK");
        }
    }
    int begun() const { return rc_; }
    int commit() {
        done_ = true;
        const int rc = exec(hive_, "COMMIT");
        if (rc != SQLITE_OK) {
            exec(hive_, "ROLLBACK");
        }
        return rc;
    }

private:
    Hive& hive_;
    int rc_;
    bool done_ = false;
};

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
    {
        Stmt count(h, "SELECT count(*) FROM sqlite_master");
        rc = count.step();
        if (rc != SQLITE_ROW) {
            return rc;
        }
        tables = count.i64(0);
    }
    if (tables == 0) {
        WriteTxn txn(h);
        if (txn.begun() != SQLITE_OK) {
            return txn.begun();
        }
        if ((rc = exec(h, kSchema)) != SQLITE_OK ||
            (rc = exec(h, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str())) !=
                SQLITE_OK) {
            return rc;
        }
        return txn.commit();
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

// Opens the hive's database when needed and tells whether it may be written now.
LONG useHive(Hive& h, bool& writable) {
    Registry& reg = registry();
    if (h.path.empty()) {
        h.path = reg.directory() + "/" + h.name + ".db";
    }
    struct stat st {};
    if (stat(h.path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return fail(ERROR_CANTOPEN, "the registry database " + h.path + " cannot be opened (" +
                                            std::strerror(errno) + ")");
        }
        h.close();
        if (!makeDirectories(reg.directory())) {
            return fail(ERROR_CANTOPEN, "the registry folder " + reg.directory() +
                                            " cannot be created (" + std::strerror(errno) + ")");
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
        return fail(ERROR_CANTOPEN, "the registry database " + h.path + " is not a file");
    }
    bool canRead = false;
    modeAccess(st, canRead, writable);
    if (!canRead) {
        h.close();
        return fail(ERROR_ACCESS_DENIED,
                    "the registry database " + h.path + " may not be read by this user");
    }
    if (h.db == nullptr || (writable && !h.dbWritable)) {
        const LONG e = openConnection(h, writable);
        if (e != ERROR_SUCCESS) {
            return e;
        }
    }
    return ERROR_SUCCESS;
}

// ---- Resolving handles and paths --------------------------------------------------------------
struct Ctx {
    Hive* hive = nullptr;
    std::int64_t key = kRootKey;
    REGSAM granted = 0;
    bool writable = false;
};

bool isPredefined(HKEY k) {
    return (hkeyToInt(k) & 0x80000000u) != 0;
}

LONG splitPath(std::string_view path, std::vector<std::string_view>& out) {
    out.clear();
    if (path.empty()) {
        return ERROR_SUCCESS;
    }
    if (path.back() == '\\') {
        path.remove_suffix(1);
    }
    std::size_t start = 0;
    while (true) {
        const auto end = path.find('\\', start);
        const std::string_view comp = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (comp.empty()) {
            return fail(ERROR_BAD_PATHNAME, "a key path has an empty part");
        }
        if (charCount(comp) > MAX_KEY_NAME) {
            return fail(ERROR_INVALID_PARAMETER, "a key name is longer than 255 characters");
        }
        out.push_back(comp);
        if (end == std::string_view::npos) {
            return ERROR_SUCCESS;
        }
        start = end + 1;
    }
}

// Finds the child `name` of `parent`; 0 when there is none.
LONG childKey(Hive& h, std::int64_t parent, std::string_view name, std::int64_t& id) {
    Stmt st(h, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    st.bind(1, parent).bind(2, fold(name));
    const int rc = st.step();
    if (rc == SQLITE_ROW) {
        id = st.i64(0);
        return ERROR_SUCCESS;
    }
    if (rc == SQLITE_DONE) {
        id = 0;
        return ERROR_SUCCESS;
    }
    return mapSqlite(rc, h.db, h.path, false);
}

LONG keyExists(Hive& h, std::int64_t id) {
    Stmt st(h, "SELECT 1 FROM keys WHERE id = ?1");
    st.bind(1, id);
    const int rc = st.step();
    if (rc == SQLITE_ROW) {
        return ERROR_SUCCESS;
    }
    if (rc == SQLITE_DONE) {
        return fail(ERROR_KEY_DELETED, "the key was deleted");
    }
    return mapSqlite(rc, h.db, h.path, false);
}

LONG walk(Hive& h, std::int64_t from, const std::vector<std::string_view>& comps,
          std::int64_t& id) {
    id = from;
    for (const auto& c : comps) {
        std::int64_t next = 0;
        const LONG e = childKey(h, id, c, next);
        if (e != ERROR_SUCCESS) {
            return e;
        }
        if (next == 0) {
            return fail(ERROR_FILE_NOT_FOUND, "the key does not exist");
        }
        id = next;
    }
    return ERROR_SUCCESS;
}

constexpr std::string_view kClassesPath = "Software\\Classes";

LONG createPath(Hive& h, std::int64_t from, const std::vector<std::string_view>& comps,
                std::int64_t& id, bool& created);

// Resolves a handle to its hive and key. `needCreateClasses`: HKEY_CLASSES_ROOT's key may be
// created (the caller is about to write below it).
LONG resolve(HKEY key, Ctx& ctx, bool needCreateClasses = false) {
    Registry& reg = registry();
    if (isPredefined(key)) {
        int index = -1;
        if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) {
            index = 0;
        } else if (key == HKEY_CURRENT_USER) {
            index = 1;
        } else {
            return fail(ERROR_INVALID_HANDLE, "this root key is not available");
        }
        ctx.hive = &reg.hives[index];
        LONG e = useHive(*ctx.hive, ctx.writable);
        if (e != ERROR_SUCCESS) {
            return e;
        }
        ctx.granted = ctx.writable ? KEY_ALL_ACCESS : KEY_READ;
        ctx.key = kRootKey;
        if (key == HKEY_CLASSES_ROOT) {
            std::vector<std::string_view> comps;
            splitPath(kClassesPath, comps);
            e = walk(*ctx.hive, kRootKey, comps, ctx.key);
            if (e != ERROR_FILE_NOT_FOUND || !needCreateClasses || !ctx.writable) {
                return e;
            }
            Hive& h = *ctx.hive;
            WriteTxn txn(h);
            if (txn.begun() != SQLITE_OK) {
                return mapSqlite(txn.begun(), h.db, h.path, true);
            }
            bool created = false;
            if ((e = createPath(h, kRootKey, comps, ctx.key, created)) != ERROR_SUCCESS) {
                return e;
            }
            const int c = txn.commit();
            return c == SQLITE_OK ? ERROR_SUCCESS : mapSqlite(c, h.db, h.path, true);
        }
        return ERROR_SUCCESS;
    }
    auto it = reg.handles.find(hkeyToInt(key));
    if (it == reg.handles.end()) {
        return fail(ERROR_INVALID_HANDLE, "the key handle is not open");
    }
    ctx.hive = &reg.hives[it->second.hive];
    LONG e = useHive(*ctx.hive, ctx.writable);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    ctx.key = it->second.key;
    ctx.granted = it->second.granted;
    if (!ctx.writable) {
        ctx.granted &= ~KEY_WRITE_RIGHTS;
    }
    return keyExists(*ctx.hive, ctx.key);
}

LONG touch(Hive& h, std::int64_t id) {
    Stmt st(h, "UPDATE keys SET mtime = ?2 WHERE id = ?1");
    st.bind(1, id).bind(2, nowFiletime());
    const int rc = st.step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : mapSqlite(rc, h.db, h.path, true);
}

// Inside a write transaction: creates the missing keys along `comps`.
LONG createPath(Hive& h, std::int64_t from, const std::vector<std::string_view>& comps,
                std::int64_t& id, bool& created) {
    id = from;
    created = false;
    for (const auto& c : comps) {
        std::int64_t next = 0;
        LONG e = childKey(h, id, c, next);
        if (e != ERROR_SUCCESS) {
            return e;
        }
        if (next == 0) {
            Stmt ins(h, "INSERT INTO keys(parent, name, fold, mtime) VALUES(?1, ?2, ?3, ?4)");
            ins.bind(1, id).bind(2, c).bind(3, fold(c)).bind(4, nowFiletime());
            const int rc = ins.step();
            if (rc != SQLITE_DONE) {
                return mapSqlite(rc, h.db, h.path, true);
            }
            e = touch(h, id);
            if (e != ERROR_SUCCESS) {
                return e;
            }
            next = sqlite3_last_insert_rowid(h.db);
            created = true;
        }
        id = next;
    }
    return ERROR_SUCCESS;
}

LONG grant(const Ctx& ctx, REGSAM need) {
    if ((ctx.granted & need) != need) {
        if ((need & KEY_WRITE_RIGHTS) != 0 && !ctx.writable) {
            return fail(ERROR_ACCESS_DENIED,
                        "the registry database " + ctx.hive->path + " is read-only");
        }
        return fail(ERROR_ACCESS_DENIED, "the key was not opened with the access this needs");
    }
    return ERROR_SUCCESS;
}

// Resolves a handle and checks that it was granted `need`.
LONG resolveFor(HKEY key, REGSAM need, Ctx& ctx, bool needCreateClasses = false) {
    const LONG e = resolve(key, ctx, needCreateClasses);
    return e != ERROR_SUCCESS ? e : grant(ctx, need);
}

LONG newHandle(int hive, std::int64_t key, REGSAM sam, PHKEY result) {
    Registry& reg = registry();
    std::uint32_t h = reg.nextHandle;
    // Handles stay below the predefined range and are not reused while open.
    while (h == 0 || (h & 0x80000000u) != 0 || reg.handles.count(h) != 0) {
        h = (h & 0x7FFFFFFFu) + 1;
    }
    reg.nextHandle = h + 1;
    reg.handles[h] = Handle{hive, key, sam};
    *result = HKEY{h};
    return ERROR_SUCCESS;
}

REGSAM effectiveSam(REGSAM sam, bool writable) {
    sam &= ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if ((sam & MAXIMUM_ALLOWED) != 0) {
        sam = writable ? KEY_ALL_ACCESS : KEY_READ;
    }
    return sam;
}

int hiveIndex(const Ctx& ctx) {
    return ctx.hive == &registry().hives[0] ? 0 : 1;
}

// Reads one value's type and bytes; ERROR_FILE_NOT_FOUND when missing.
LONG readValue(Hive& h, std::int64_t key, std::string_view name, DWORD& type, std::string& data) {
    Stmt st(h, "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    st.bind(1, key).bind(2, fold(name));
    const int rc = st.step();
    if (rc == SQLITE_ROW) {
        type = static_cast<DWORD>(st.i64(0));
        data = st.str(1);
        return ERROR_SUCCESS;
    }
    if (rc == SQLITE_DONE) {
        return fail(ERROR_FILE_NOT_FOUND, "the value does not exist");
    }
    return mapSqlite(rc, h.db, h.path, false);
}

LONG queryValue(HKEY key, const char* name, DWORD* reserved, DWORD& type, std::string& data) {
    if (reserved != nullptr) {
        return fail(ERROR_INVALID_PARAMETER, "reserved must be null");
    }
    Ctx ctx;
    LONG e = resolveFor(key, KEY_QUERY_VALUE, ctx);
    if (e == ERROR_SUCCESS) {
        e = readValue(*ctx.hive, ctx.key, name != nullptr ? name : "", type, data);
    }
    return e;
}

// The buffer rules shared by the query calls.
LONG deliver(const std::string& bytes, DWORD valueType, DWORD* type, BYTE* data, DWORD* cbData) {
    if (data != nullptr && cbData == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, "a data buffer needs its size");
    }
    if (type != nullptr) {
        *type = valueType;
    }
    if (cbData == nullptr) {
        return ERROR_SUCCESS;
    }
    const auto size = static_cast<DWORD>(bytes.size());
    if (data != nullptr) {
        if (*cbData < size) {
            *cbData = size;
            return fail(ERROR_MORE_DATA, "the buffer is too small");
        }
        std::memcpy(data, bytes.data(), bytes.size());
    }
    *cbData = size;
    return ERROR_SUCCESS;
}

LONG setValue(HKEY key, const char* name, DWORD reserved, DWORD type, std::string_view bytes) {
    (void)reserved;
    const std::string_view n = name != nullptr ? name : "";
    if (charCount(n) > MAX_VALUE_NAME) {
        return fail(ERROR_INVALID_PARAMETER, "the value name is too long");
    }
    Ctx ctx;
    LONG e = resolveFor(key, KEY_SET_VALUE, ctx, true);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Hive& h = *ctx.hive;
    WriteTxn txn(h);
    if (txn.begun() != SQLITE_OK) {
        return mapSqlite(txn.begun(), h.db, h.path, true);
    }
    if ((e = keyExists(h, ctx.key)) != ERROR_SUCCESS) {
        return e;
    }
    // An existing value keeps its place (and the spelling of its name).
    Stmt up(h,
            "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    up.bind(1, ctx.key).bind(2, n).bind(3, fold(n)).bind(4, type).bindBlob(5, bytes);
    const int rc = up.step();
    if (rc != SQLITE_DONE) {
        return mapSqlite(rc, h.db, h.path, true);
    }
    if ((e = touch(h, ctx.key)) != ERROR_SUCCESS) {
        return e;
    }
    const int c = txn.commit();
    return c == SQLITE_OK ? ERROR_SUCCESS : mapSqlite(c, h.db, h.path, true);
}

// Deletes `id` and everything below it (inside a write transaction).
LONG deleteSubtree(Hive& h, std::int64_t id) {
    Stmt v(h,
           "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub "
           "ON k.parent = sub.id) DELETE FROM vals WHERE key IN sub");
    v.bind(1, id);
    int rc = v.step();
    if (rc != SQLITE_DONE) {
        return mapSqlite(rc, h.db, h.path, true);
    }
    Stmt k(h,
           "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub "
           "ON k.parent = sub.id) DELETE FROM keys WHERE id IN sub AND id <> 1");
    k.bind(1, id);
    rc = k.step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : mapSqlite(rc, h.db, h.path, true);
}

LONG countChildren(Hive& h, std::int64_t id, std::int64_t& n) {
    Stmt st(h, "SELECT count(*) FROM keys WHERE parent = ?1");
    st.bind(1, id);
    const int rc = st.step();
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    n = st.i64(0);
    return ERROR_SUCCESS;
}

LONG deleteKey(HKEY key, const char* subKey, bool tree) {
    Ctx ctx;
    LONG e = resolve(key, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    if (!ctx.writable) {
        return fail(ERROR_ACCESS_DENIED,
                    "the registry database " + ctx.hive->path + " is read-only");
    }
    std::vector<std::string_view> comps;
    if ((e = splitPath(subKey != nullptr ? subKey : "", comps)) != ERROR_SUCCESS) {
        return e;
    }
    if (!tree && comps.empty()) {
        return fail(ERROR_BAD_PATHNAME, "name the key to delete");
    }
    Hive& h = *ctx.hive;
    WriteTxn txn(h);
    if (txn.begun() != SQLITE_OK) {
        return mapSqlite(txn.begun(), h.db, h.path, true);
    }
    std::int64_t id = 0;
    if ((e = walk(h, ctx.key, comps, id)) != ERROR_SUCCESS) {
        return e;
    }
    if (comps.empty()) {
        // RegDeleteTree without a subkey: empties the key but keeps it and its values.
        Stmt kids(h, "SELECT id FROM keys WHERE parent = ?1");
        kids.bind(1, id);
        std::vector<std::int64_t> ids;
        int rc = 0;
        while ((rc = kids.step()) == SQLITE_ROW) {
            ids.push_back(kids.i64(0));
        }
        if (rc != SQLITE_DONE) {
            return mapSqlite(rc, h.db, h.path, false);
        }
        for (auto child : ids) {
            if ((e = deleteSubtree(h, child)) != ERROR_SUCCESS) {
                return e;
            }
        }
    } else {
        if (!tree) {
            std::int64_t n = 0;
            if ((e = countChildren(h, id, n)) != ERROR_SUCCESS) {
                return e;
            }
            if (n > 0) {
                return fail(ERROR_ACCESS_DENIED, "the key has subkeys");
            }
        }
        Stmt parent(h, "SELECT parent FROM keys WHERE id = ?1");
        parent.bind(1, id);
        if (parent.step() == SQLITE_ROW) {
            const std::int64_t p = parent.i64(0);
            if ((e = touch(h, p)) != ERROR_SUCCESS) {
                return e;
            }
        }
        if ((e = deleteSubtree(h, id)) != ERROR_SUCCESS) {
            return e;
        }
    }
    const int c = txn.commit();
    return c == SQLITE_OK ? ERROR_SUCCESS : mapSqlite(c, h.db, h.path, true);
}

bool copyName(const std::string& name, char* buf, DWORD* cch) {
    if (cch == nullptr || buf == nullptr || *cch < name.size() + 1) {
        return false;
    }
    std::memcpy(buf, name.data(), name.size());
    buf[name.size()] = '\0';
    *cch = static_cast<DWORD>(name.size());
    return true;
}

std::string toUtf8Name(const char* cp) {
    return cp != nullptr ? text::codePageToUtf8(cp) : "";
}

}  // namespace

// ---- UTF-8 calls ----------------------------------------------------------------------------
LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM sam, PHKEY result) {
    (void)options;
    if (result == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, "no place for the result");
    }
    *result = HKEY{};
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    LONG e = resolve(key, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    sam = effectiveSam(sam, ctx.writable);
    if ((sam & KEY_WRITE_RIGHTS) != 0 && !ctx.writable) {
        return fail(ERROR_ACCESS_DENIED,
                    "the registry database " + ctx.hive->path + " is read-only");
    }
    std::vector<std::string_view> comps;
    if ((e = splitPath(subKey != nullptr ? subKey : "", comps)) != ERROR_SUCCESS) {
        return e;
    }
    std::int64_t id = 0;
    if ((e = walk(*ctx.hive, ctx.key, comps, id)) != ERROR_SUCCESS) {
        return e;
    }
    return newHandle(hiveIndex(ctx), id, sam, result);
}

LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, const char* cls, DWORD options,
                    REGSAM sam, const void* security, PHKEY result, DWORD* disposition) {
    (void)reserved;
    (void)cls;
    (void)options;
    (void)security;
    if (result == nullptr) {
        return fail(ERROR_INVALID_PARAMETER, "no place for the result");
    }
    *result = HKEY{};
    std::lock_guard lock(registry().mutex);
    std::vector<std::string_view> comps;
    LONG e = splitPath(subKey != nullptr ? subKey : "", comps);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Ctx ctx;
    if ((e = resolve(key, ctx, true)) != ERROR_SUCCESS) {
        return e;
    }
    sam = effectiveSam(sam, ctx.writable);
    if ((sam & KEY_WRITE_RIGHTS) != 0 && !ctx.writable) {
        return fail(ERROR_ACCESS_DENIED,
                    "the registry database " + ctx.hive->path + " is read-only");
    }
    Hive& h = *ctx.hive;
    std::int64_t id = 0;
    // An existing key only needs to be found; creating one needs a writable hive.
    e = walk(h, ctx.key, comps, id);
    bool created = false;
    if (e == ERROR_FILE_NOT_FOUND) {
        if ((e = grant(ctx, KEY_CREATE_SUB_KEY)) != ERROR_SUCCESS) {
            return e;
        }
        WriteTxn txn(h);
        if (txn.begun() != SQLITE_OK) {
            return mapSqlite(txn.begun(), h.db, h.path, true);
        }
        if ((e = keyExists(h, ctx.key)) != ERROR_SUCCESS ||
            (e = createPath(h, ctx.key, comps, id, created)) != ERROR_SUCCESS) {
            return e;
        }
        const int c = txn.commit();
        if (c != SQLITE_OK) {
            return mapSqlite(c, h.db, h.path, true);
        }
    } else if (e != ERROR_SUCCESS) {
        return e;
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return newHandle(hiveIndex(ctx), id, sam, result);
}

LONG RegCloseKey(HKEY key) {
    if (isPredefined(key)) {
        return ERROR_SUCCESS;
    }
    std::lock_guard lock(registry().mutex);
    return registry().handles.erase(hkeyToInt(key)) == 1
               ? ERROR_SUCCESS
               : fail(ERROR_INVALID_HANDLE, "the key handle is not open");
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* cbData) {
    std::lock_guard lock(registry().mutex);
    DWORD t = 0;
    std::string bytes;
    const LONG e = queryValue(key, name, reserved, t, bytes);
    return e != ERROR_SUCCESS ? e : deliver(bytes, t, type, data, cbData);
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD cbData) {
    if (data == nullptr && cbData != 0) {
        return fail(ERROR_INVALID_PARAMETER, "no data");
    }
    std::lock_guard lock(registry().mutex);
    return setValue(key, name, reserved, type,
                    std::string_view(reinterpret_cast<const char*>(data), data ? cbData : 0));
}

LONG RegDeleteValue(HKEY key, const char* name) {
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    LONG e = resolveFor(key, KEY_SET_VALUE, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Hive& h = *ctx.hive;
    WriteTxn txn(h);
    if (txn.begun() != SQLITE_OK) {
        return mapSqlite(txn.begun(), h.db, h.path, true);
    }
    Stmt del(h, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    del.bind(1, ctx.key).bind(2, fold(name != nullptr ? name : ""));
    const int rc = del.step();
    if (rc != SQLITE_DONE) {
        return mapSqlite(rc, h.db, h.path, true);
    }
    if (sqlite3_changes(h.db) == 0) {
        return fail(ERROR_FILE_NOT_FOUND, "the value does not exist");
    }
    if ((e = touch(h, ctx.key)) != ERROR_SUCCESS) {
        return e;
    }
    const int c = txn.commit();
    return c == SQLITE_OK ? ERROR_SUCCESS : mapSqlite(c, h.db, h.path, true);
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
    std::lock_guard lock(registry().mutex);
    return deleteKey(key, subKey, false);
}

LONG RegDeleteTree(HKEY key, const char* subKey) {
    std::lock_guard lock(registry().mutex);
    return deleteKey(key, subKey, true);
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, char* cls,
                  DWORD* cchClass, FILETIME* lastWriteTime) {
    (void)reserved;
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    LONG e = resolveFor(key, KEY_ENUMERATE_SUB_KEYS, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Hive& h = *ctx.hive;
    Stmt st(h,
            "SELECT name, mtime FROM keys WHERE parent = ?1 ORDER BY fold, id LIMIT 1 OFFSET ?2");
    st.bind(1, ctx.key).bind(2, static_cast<std::int64_t>(index));
    const int rc = st.step();
    if (rc == SQLITE_DONE) {
        return fail(ERROR_NO_MORE_ITEMS, "no more subkeys");
    }
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    if (!copyName(st.str(0), name, cchName)) {
        return fail(ERROR_MORE_DATA, "the name buffer is too small");
    }
    if (cls != nullptr && cchClass != nullptr && *cchClass > 0) {
        cls[0] = '\0';
        *cchClass = 0;
    }
    if (lastWriteTime != nullptr) {
        const auto t = static_cast<std::uint64_t>(st.i64(1));
        lastWriteTime->dwLowDateTime = static_cast<DWORD>(t);
        lastWriteTime->dwHighDateTime = static_cast<DWORD>(t >> 32);
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved, DWORD* type,
                  BYTE* data, DWORD* cbData) {
    (void)reserved;
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    LONG e = resolveFor(key, KEY_QUERY_VALUE, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Hive& h = *ctx.hive;
    Stmt st(h, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    st.bind(1, ctx.key).bind(2, static_cast<std::int64_t>(index));
    const int rc = st.step();
    if (rc == SQLITE_DONE) {
        return fail(ERROR_NO_MORE_ITEMS, "no more values");
    }
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    if (!copyName(st.str(0), name, cchName)) {
        return fail(ERROR_MORE_DATA, "the name buffer is too small");
    }
    return deliver(st.str(2), static_cast<DWORD>(st.i64(1)), type, data, cbData);
}

LONG RegQueryInfoKey(HKEY key, char* cls, DWORD* cchClass, DWORD* reserved, DWORD* subKeys,
                     DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                     DWORD* maxValueLen, DWORD* securityDescriptor, FILETIME* lastWriteTime) {
    (void)reserved;
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    LONG e = resolveFor(key, KEY_QUERY_VALUE, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    Hive& h = *ctx.hive;
    Stmt k(h,
           "SELECT count(*), ifnull(max(length(CAST(name AS BLOB))), 0) FROM keys "
           "WHERE parent = ?1");
    k.bind(1, ctx.key);
    int rc = k.step();
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    Stmt v(h,
           "SELECT count(*), ifnull(max(length(CAST(name AS BLOB))), 0), "
           "ifnull(max(length(data)), 0) FROM vals WHERE key = ?1");
    v.bind(1, ctx.key);
    rc = v.step();
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    Stmt t(h, "SELECT mtime FROM keys WHERE id = ?1");
    t.bind(1, ctx.key);
    const std::uint64_t mtime = t.step() == SQLITE_ROW ? static_cast<std::uint64_t>(t.i64(0)) : 0;
    auto put = [](DWORD* p, std::int64_t v) {
        if (p != nullptr) {
            *p = static_cast<DWORD>(v);
        }
    };
    if (cls != nullptr && cchClass != nullptr && *cchClass > 0) {
        cls[0] = '\0';
    }
    put(cchClass, 0);
    put(subKeys, k.i64(0));
    put(maxSubKeyLen, k.i64(1));
    put(maxClassLen, 0);
    put(values, v.i64(0));
    put(maxValueNameLen, v.i64(1));
    put(maxValueLen, v.i64(2));
    put(securityDescriptor, 0);
    if (lastWriteTime != nullptr) {
        lastWriteTime->dwLowDateTime = static_cast<DWORD>(mtime);
        lastWriteTime->dwHighDateTime = static_cast<DWORD>(mtime >> 32);
    }
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
    std::lock_guard lock(registry().mutex);
    Ctx ctx;
    const LONG e = resolve(key, ctx);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    if (ctx.hive->dbWritable) {
        const int rc = sqlite3_wal_checkpoint_v2(ctx.hive->db, nullptr, SQLITE_CHECKPOINT_FULL,
                                                 nullptr, nullptr);
        if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
            return mapSqlite(rc, ctx.hive->db, ctx.hive->path, true);
        }
    }
    return ERROR_SUCCESS;
}

// ---- Code-page calls --------------------------------------------------------------------------
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam, PHKEY result) {
    return RegOpenKeyEx(key, toUtf8Name(subKey).c_str(), options, sam, result);
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* cls, DWORD options,
                     REGSAM sam, const void* security, PHKEY result, DWORD* disposition) {
    return RegCreateKeyEx(key, toUtf8Name(subKey).c_str(), reserved, cls, options, sam, security,
                          result, disposition);
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData) {
    std::lock_guard lock(registry().mutex);
    DWORD t = 0;
    std::string bytes;
    const std::string n = toUtf8Name(name);
    const LONG e = queryValue(key, n.c_str(), reserved, t, bytes);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    return deliver(isTextType(t) ? text::utf8ToCodePage(bytes) : bytes, t, type, data, cbData);
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData) {
    if (data == nullptr && cbData != 0) {
        return fail(ERROR_INVALID_PARAMETER, "no data");
    }
    const std::string_view raw(reinterpret_cast<const char*>(data), data ? cbData : 0);
    const std::string n = toUtf8Name(name);
    std::lock_guard lock(registry().mutex);
    return setValue(key, n.c_str(), reserved, type,
                    isTextType(type) ? text::codePageToUtf8(raw) : std::string(raw));
}

LONG RegDeleteValueA(HKEY key, const char* name) {
    return RegDeleteValue(key, toUtf8Name(name).c_str());
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
    return RegDeleteKey(key, toUtf8Name(subKey).c_str());
}

// ---- Helpers ------------------------------------------------------------------------------------
std::string RegLastErrorDetail() {
    return t_detail;
}

std::string RegStorageDirectory() {
    std::lock_guard lock(registry().mutex);
    return registry().directory();
}

std::string RegHiveFile(HKEY hive) {
    std::lock_guard lock(registry().mutex);
    const char* name = (hive == HKEY_CURRENT_USER) ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    return registry().directory() + "/" + name + ".db";
}

std::size_t RegOpenHandleCount() {
    std::lock_guard lock(registry().mutex);
    return registry().handles.size();
}

void RegResetForTesting() {
    std::lock_guard lock(registry().mutex);
    Registry& reg = registry();
    for (auto& h : reg.hives) {
        h.close();
        h.path.clear();
    }
    reg.handles.clear();
    reg.dir.reset();
}

}  // namespace vnk::win
