// The registry's storage, internal to libplatform: the private folder that holds the hives, one
// SQLite connection per hive, cached statements and write transactions (alone, or joined into a
// batch). registry.cpp builds the Win32-shaped calls on it; every function here runs under the
// registry's lock.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace vnk::win::detail {

// Records what went wrong for RegLastErrorDetail() and answers `code`.
LONG fail(LONG code, std::string detail);
const std::string& lastFailureDetail();

// The SQLite code of a failed step as a Win32 error, with the file and SQLite's words as detail.
LONG mapSqlite(int rc, sqlite3* db, const std::string& path, bool writing);

struct Hive {
    explicit Hive(const char* n) : name(n) {}
    const char* name;
    std::string path;
    sqlite3* db = nullptr;
    bool dbWritable = false;   // the connection was opened read-write
    std::size_t handles = 0;   // open key handles on this hive
    bool batchWanted = false;  // writes join the batch's transaction (RegBeginBatch)
    bool inBatch = false;      // the batch's transaction is open on this connection
    bool batchLost = false;    // the connection closed while the batch's transaction was open
    std::map<const char*, sqlite3_stmt*> statements;

    void close();
    // Copies what the log holds into the database file (as far as no other process's reader
    // prevents it), then closes, so that the .db file alone holds every value.
    void checkpointAndClose();
};

// $VARNOOK_REGISTRY_DIR, else $XDG_DATA_HOME/varnook/registry, else
// $HOME/.local/share/varnook/registry; empty when none of them names a folder.
std::string defaultDirectory();

// Opens the hive's database in `directory` when needed, creating the folder (0700) and the file
// (0600), and tells whether it may be written now. Both must belong to this user (or the
// superuser) and be writable by no one else: the registry names the libraries the program loads.
LONG useHive(Hive& h, const std::string& directory, bool& writable);

class Stmt {
public:
    Stmt(Hive& h, const char* sql);
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    ~Stmt();
    bool ok() const { return st_ != nullptr; }
    int prepareError() const { return rc_; }
    Stmt& bind(int i, std::int64_t v);
    Stmt& bind(int i, std::string_view v);
    Stmt& bindBlob(int i, std::string_view v);  // an empty value is an empty blob, never NULL
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return st_ != nullptr ? sqlite3_step(st_) : rc_; }
    std::int64_t i64(int c) const { return sqlite3_column_int64(st_, c); }
    std::string str(int c) const;

private:
    sqlite3_stmt* st_ = nullptr;
    int rc_ = SQLITE_OK;
};

int exec(Hive& h, const char* sql);

// One write transaction that rolls back unless committed. While a batch is wanted it is a
// savepoint inside the batch's transaction (begun on first use), so a failed call undoes only
// itself and nothing is kept before the batch commits.
class WriteTxn {
public:
    explicit WriteTxn(Hive& h);
    WriteTxn(const WriteTxn&) = delete;
    WriteTxn& operator=(const WriteTxn&) = delete;
    ~WriteTxn();
    int begun() const { return rc_; }
    int commit();

private:
    Hive& hive_;
    int rc_;
    bool nested_ = false;
    bool done_ = false;
};

}  // namespace vnk::win::detail
