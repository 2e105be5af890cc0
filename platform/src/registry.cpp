// The registry over SQLite. See platform/registry.h for the behaviour; this file keeps the
// table of open key handles and builds the Win32 calls on the storage of registry_db.h, all
// behind one lock.
#include "platform/registry.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text.h"
#include "registry_db.h"

namespace vnk::win {
namespace {

using detail::exec;
using detail::fail;
using detail::Hive;
using detail::mapSqlite;
using detail::Stmt;
using detail::WriteTxn;

constexpr std::int64_t kRootKey = 1;

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

// Where the last enumeration through a handle stopped, so that asking for the next index
// continues from there instead of counting from the first item.
struct Cursor {
    bool valid = false;
    DWORD index = 0;
    std::int64_t rowid = 0;  // values: the row id of the value given at `index`
    std::string fold;        // subkeys: the folded name of the subkey given at `index`
};

struct Handle {
    int hive;
    std::int64_t key;
    REGSAM granted;
    std::size_t depth;  // levels below the hive's root
    Cursor values;
    Cursor subKeys;
};

struct Registry {
    // Recursive: a batch holds it from RegBeginBatch to its end while its own calls take it too.
    std::recursive_mutex mutex;
    std::optional<std::string> dir;
    Hive hives[2] = {Hive("HKEY_LOCAL_MACHINE"), Hive("HKEY_CURRENT_USER")};
    std::unordered_map<std::uint32_t, Handle> handles;
    std::uint32_t nextHandle = 1;
    // Cursors of the predefined keys, which have no entry in `handles`.
    Cursor rootValues[3];
    Cursor rootSubKeys[3];
    std::unique_lock<std::recursive_mutex> batch;  // held while a batch is open
    pid_t owner = getpid();  // a child forked from the owner must not touch its connections

    const std::string& directory() {
        if (!dir) {
            dir = detail::defaultDirectory();
        }
        return *dir;
    }
};

void closeAllAtExit();

Registry& registry() {
    static Registry* r = [] {
        // Lives for the whole process (no teardown order issue); its hives are checkpointed and
        // closed at exit so that the database files alone hold everything written.
        auto* reg = new Registry;
        std::atexit(closeAllAtExit);
        return reg;
    }();
    return *r;
}

// Ends an open batch without keeping its changes.
void abandonBatch(Registry& reg) {
    for (Hive& h : reg.hives) {
        if (h.inBatch) {
            exec(h, "ROLLBACK");
            h.inBatch = false;
        }
        h.batchWanted = false;
        h.batchLost = false;
        if (h.handles == 0) {
            h.checkpointAndClose();
        }
    }
    if (reg.batch.owns_lock()) {
        reg.batch.unlock();
    }
}

void closeAllAtExit() {
    Registry& reg = registry();
    if (getpid() != reg.owner) {
        return;
    }
    std::lock_guard lock(reg.mutex);
    abandonBatch(reg);
    for (Hive& h : reg.hives) {
        h.checkpointAndClose();
    }
}

// ---- Resolving handles and paths --------------------------------------------------------------
struct Ctx {
    Hive* hive = nullptr;
    std::int64_t key = kRootKey;
    REGSAM granted = 0;
    bool writable = false;
    std::size_t depth = 0;  // levels of `key` below the hive's root
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
        LONG e = detail::useHive(*ctx.hive, reg.directory(), ctx.writable);
        if (e != ERROR_SUCCESS) {
            return e;
        }
        ctx.granted = ctx.writable ? KEY_ALL_ACCESS : KEY_READ;
        ctx.key = kRootKey;
        if (key == HKEY_CLASSES_ROOT) {
            std::vector<std::string_view> comps;
            splitPath(kClassesPath, comps);
            ctx.depth = comps.size();
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
    LONG e = detail::useHive(*ctx.hive, reg.directory(), ctx.writable);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    ctx.key = it->second.key;
    ctx.granted = it->second.granted;
    ctx.depth = it->second.depth;
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

LONG newHandle(int hive, std::int64_t key, REGSAM sam, std::size_t depth, PHKEY result) {
    Registry& reg = registry();
    std::uint32_t h = reg.nextHandle;
    // Handles stay below the predefined range and are not reused while open.
    while (h == 0 || (h & 0x80000000u) != 0 || reg.handles.count(h) != 0) {
        h = (h & 0x7FFFFFFFu) + 1;
    }
    reg.nextHandle = h + 1;
    reg.handles[h] = Handle{hive, key, sam, depth, {}, {}};
    ++reg.hives[hive].handles;
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

// How an enumeration call finds the item at its index: the first one, the one after the
// cursor's, the cursor's own again (a retry with a bigger buffer), or by counting from the first
// (any other index). Callers pass 0, 1, 2, ..., so listing N items costs O(N).
enum class Step { First, After, Again, Count };

Step stepFrom(const Cursor& cursor, DWORD index) {
    if (index == 0) {
        return Step::First;
    }
    if (cursor.valid && index == cursor.index + 1) {
        return Step::After;
    }
    if (cursor.valid && index == cursor.index) {
        return Step::Again;
    }
    return Step::Count;
}

// The cursor of a handle that resolve() accepted.
Cursor& cursorOf(HKEY key, bool values) {
    Registry& reg = registry();
    if (isPredefined(key)) {
        const std::size_t root = hkeyToInt(key) & 3;  // HKCR 0, HKCU 1, HKLM 2
        return values ? reg.rootValues[root] : reg.rootSubKeys[root];
    }
    Handle& handle = reg.handles.at(hkeyToInt(key));
    return values ? handle.values : handle.subKeys;
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
    return newHandle(hiveIndex(ctx), id, sam, ctx.depth + comps.size(), result);
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
        if (ctx.depth + comps.size() > MAX_KEY_DEPTH) {
            return fail(ERROR_INVALID_PARAMETER, "a key may lie at most " +
                                                     std::to_string(MAX_KEY_DEPTH) +
                                                     " levels below its root");
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
    return newHandle(hiveIndex(ctx), id, sam, ctx.depth + comps.size(), result);
}

LONG RegCloseKey(HKEY key) {
    if (isPredefined(key)) {
        return ERROR_SUCCESS;
    }
    std::lock_guard lock(registry().mutex);
    Registry& reg = registry();
    auto it = reg.handles.find(hkeyToInt(key));
    if (it == reg.handles.end()) {
        return fail(ERROR_INVALID_HANDLE, "the key handle is not open");
    }
    Hive& h = reg.hives[it->second.hive];
    reg.handles.erase(it);
    // The last handle of a hive closes its connection, which leaves every value in the database
    // file (a backup that copies the file alone misses nothing); a batch keeps it open.
    if (--h.handles == 0 && !h.batchWanted) {
        h.checkpointAndClose();
    }
    return ERROR_SUCCESS;
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
    Cursor& cursor = cursorOf(key, false);
    const Step step = stepFrom(cursor, index);
    static const char* const kSql[] = {
        "SELECT name, mtime, fold FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1",
        "SELECT name, mtime, fold FROM keys WHERE parent = ?1 AND fold > ?2 ORDER BY fold LIMIT 1",
        ("SELECT name, mtime, fold FROM keys WHERE parent = ?1 AND fold >= ?2 ORDER BY fold "
         "LIMIT 1"),
        "SELECT name, mtime, fold FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2"};
    Stmt st(h, kSql[static_cast<int>(step)]);
    st.bind(1, ctx.key);
    if (step == Step::After || step == Step::Again) {
        st.bind(2, cursor.fold);
    } else if (step == Step::Count) {
        st.bind(2, static_cast<std::int64_t>(index));
    }
    const int rc = st.step();
    if (rc == SQLITE_DONE) {
        return fail(ERROR_NO_MORE_ITEMS, "no more subkeys");
    }
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    cursor.valid = true;
    cursor.index = index;
    cursor.fold = st.str(2);
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
    Cursor& cursor = cursorOf(key, true);
    const Step step = stepFrom(cursor, index);
    static const char* const kSql[] = {
        "SELECT rowid, name, type, data FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1",
        ("SELECT rowid, name, type, data FROM vals WHERE key = ?1 AND rowid > ?2 ORDER BY rowid "
         "LIMIT 1"),
        ("SELECT rowid, name, type, data FROM vals WHERE key = ?1 AND rowid >= ?2 ORDER BY rowid "
         "LIMIT 1"),
        ("SELECT rowid, name, type, data FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 "
         "OFFSET ?2")};
    Stmt st(h, kSql[static_cast<int>(step)]);
    st.bind(1, ctx.key);
    if (step == Step::After || step == Step::Again) {
        st.bind(2, cursor.rowid);
    } else if (step == Step::Count) {
        st.bind(2, static_cast<std::int64_t>(index));
    }
    const int rc = st.step();
    if (rc == SQLITE_DONE) {
        return fail(ERROR_NO_MORE_ITEMS, "no more values");
    }
    if (rc != SQLITE_ROW) {
        return mapSqlite(rc, h.db, h.path, false);
    }
    cursor.valid = true;
    cursor.index = index;
    cursor.rowid = st.i64(0);
    if (!copyName(st.str(1), name, cchName)) {
        return fail(ERROR_MORE_DATA, "the name buffer is too small");
    }
    return deliver(st.str(3), static_cast<DWORD>(st.i64(2)), type, data, cbData);
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

// ---- Batches
// --------------------------------------------------------------------------------------
LONG RegBeginBatch() {
    Registry& reg = registry();
    std::unique_lock lock(reg.mutex);
    if (reg.batch.owns_lock()) {
        return fail(ERROR_INVALID_PARAMETER, "a batch is already open");
    }
    reg.batch = std::move(lock);
    for (Hive& h : reg.hives) {
        h.batchWanted = true;
        h.batchLost = false;
    }
    return ERROR_SUCCESS;
}

LONG RegCommitBatch() {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    if (!reg.batch.owns_lock()) {
        return fail(ERROR_INVALID_PARAMETER, "no batch is open");
    }
    LONG e = ERROR_SUCCESS;
    for (Hive& h : reg.hives) {
        if (h.batchLost || (h.inBatch && sqlite3_get_autocommit(h.db) != 0)) {
            e = fail(ERROR_CANTWRITE, "the batch's transaction on " + h.path +
                                          " was lost; nothing of the batch was kept there");
            break;
        }
    }
    for (Hive& h : reg.hives) {
        if (e != ERROR_SUCCESS || !h.inBatch) {
            continue;
        }
        const int rc = exec(h, "COMMIT");
        if (rc != SQLITE_OK) {
            e = mapSqlite(rc, h.db, h.path, true);
            continue;  // the other hive's part is rolled back below
        }
        h.inBatch = false;
    }
    abandonBatch(reg);
    return e;
}

void RegAbandonBatch() {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    if (reg.batch.owns_lock()) {
        abandonBatch(reg);
    }
}

// ---- Helpers ------------------------------------------------------------------------------------
std::string RegLastErrorDetail() {
    return detail::lastFailureDetail();
}

std::string RegStorageDirectory() {
    std::lock_guard lock(registry().mutex);
    return registry().directory();
}

std::string RegHiveFile(HKEY hive) {
    std::lock_guard lock(registry().mutex);
    const char* name = (hive == HKEY_CURRENT_USER) ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    const std::string& dir = registry().directory();
    return dir.empty() ? std::string() : dir + "/" + name + ".db";
}

std::size_t RegOpenHandleCount() {
    std::lock_guard lock(registry().mutex);
    return registry().handles.size();
}

void RegResetForTesting() {
    std::lock_guard lock(registry().mutex);
    Registry& reg = registry();
    abandonBatch(reg);
    for (auto& h : reg.hives) {
        h.close();
        h.path.clear();
        h.handles = 0;
    }
    reg.handles.clear();
    for (std::size_t i = 0; i < 3; ++i) {
        reg.rootValues[i] = Cursor{};
        reg.rootSubKeys[i] = Cursor{};
    }
    reg.dir.reset();
}

}  // namespace vnk::win
