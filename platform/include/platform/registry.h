// The registry: Win32-shaped calls over one SQLite database per hive.
//
// Hives and where they live
//   HKEY_LOCAL_MACHINE (0x80000002) and HKEY_CURRENT_USER (0x80000001) are each one database,
//   "HKEY_LOCAL_MACHINE.db" and "HKEY_CURRENT_USER.db", in the folder named by the environment
//   variable VARNOOK_REGISTRY_DIR, else $XDG_DATA_HOME/varnook/registry, else
//   ~/.local/share/varnook/registry. The folder is created 0700 and the databases 0600. The
//   registry names the libraries the program loads, so the folder and each database must belong
//   to the user (or the superuser) and be writable by nobody else; otherwise every call answers
//   ERROR_ACCESS_DENIED. With none of the three variables set, no private folder is known and
//   every call answers ERROR_CANTOPEN; the registry never falls back to a shared folder.
//   HKEY_CLASSES_ROOT (0x80000000) is HKEY_LOCAL_MACHINE\Software\Classes under another name.
//   The folder is read when a hive is first used; RegResetForTesting() forgets open databases so
//   a test can point VARNOOK_REGISTRY_DIR elsewhere.
//
// Access
//   Whether a hive may be written follows the permission bits of its database file, decided
//   from the mode bits alone (owner bits when the caller owns the file, group bits when the file's
//   group is one of the caller's, other bits otherwise) so that a read-only hive (chmod a-w)
//   refuses writing for every user, root included. Opening a key with any write right
//   (KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER; so also
//   KEY_WRITE and KEY_ALL_ACCESS) on a hive that may not be written answers ERROR_ACCESS_DENIED,
//   and so does every write through a handle that was not granted the right it needs.
//
// Names and values
//   Key names compare without regard to case and keep the case they were created with; they may
//   not contain a backslash and a path component is at most 255 characters; a key lies at most
//   512 levels below its hive's root. Values keep their type and their bytes exactly. Subkeys
//   enumerate in case-insensitive name order, values in the order they were first created. Each
//   handle remembers where its last enumeration stopped, so asking for index 0, 1, 2, ... costs
//   O(1) per step; any other index counts from the first item.
//
// Text
//   The unsuffixed calls (RegOpenKeyEx, ...) take names as UTF-8 and store data bytes as given;
//   text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are kept as UTF-8. The ...A calls
//   (RegOpenKeyExA, ...) take names in the workstation's 8-bit code page (text.h) and convert
//   the data of text values between that code page and the stored UTF-8, both ways, with byte
//   counts in code-page bytes, just as the ANSI registry calls of Windows do.
//
// Concurrency and crashes
//   Databases run in WAL mode with a busy timeout, so several processes may read and write at
//   once; every call that writes is one transaction, so a process killed at any moment leaves the
//   hive consistent. The calls are safe to use from several threads. When the last handle of a
//   hive closes, and when the process exits, the hive's log is copied into its database file and
//   the connection closed, so that a backup copying the .db file alone has every value.
//
// Errors
//   Every call returns a Win32 error code (ERROR_SUCCESS = 0). A database that is not a registry
//   database, or is damaged, answers ERROR_BADDB; one that cannot be opened ERROR_CANTOPEN.
//   RegLastErrorDetail() tells more about the last failure of this thread (which file, what
//   SQLite said) for tools that show it to a person.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "platform/win32.h"

namespace vnk::win {

enum class HKEY : std::uint32_t {};
using PHKEY = HKEY*;
using REGSAM = DWORD;

inline constexpr HKEY HKEY_CLASSES_ROOT{0x80000000u};
inline constexpr HKEY HKEY_CURRENT_USER{0x80000001u};
inline constexpr HKEY HKEY_LOCAL_MACHINE{0x80000002u};
// Any other predefined handle (HKEY_USERS, ...) answers ERROR_INVALID_HANDLE.

// Turns a handle that travelled as a 32-bit integer (for example a script's "Hive" argument)
// back into a handle.
inline constexpr HKEY hkeyFromInt(std::int64_t v) {
    return HKEY{static_cast<std::uint32_t>(v)};
}
inline constexpr std::uint32_t hkeyToInt(HKEY k) {
    return static_cast<std::uint32_t>(k);
}

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_RESOURCE_LIST = 8;
inline constexpr DWORD REG_QWORD = 11;
inline constexpr bool isTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Access masks.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM WRITE_DAC = 0x00040000;
inline constexpr REGSAM WRITE_OWNER = 0x00080000;
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;
// The rights that change a hive.
inline constexpr REGSAM KEY_WRITE_RIGHTS =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

// Options and dispositions of RegCreateKeyEx.
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;  // accepted; the key is kept like any other
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr std::size_t MAX_KEY_NAME = 255;      // characters of one path component
inline constexpr std::size_t MAX_VALUE_NAME = 16383;  // characters of a value name
inline constexpr std::size_t MAX_KEY_DEPTH = 512;     // levels of keys below a hive's root

// ---- UTF-8 calls --------------------------------------------------------------------------------
// `subKey` may be null or empty: then the key itself is opened again (a new handle).
VNK_EXPORT LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM sam, PHKEY result);
// Creates every missing key along `subKey`; `cls` and `security` are accepted and ignored. A key
// deeper than MAX_KEY_DEPTH answers ERROR_INVALID_PARAMETER.
VNK_EXPORT LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved, const char* cls,
                               DWORD options, REGSAM sam, const void* security, PHKEY result,
                               DWORD* disposition);
VNK_EXPORT LONG RegCloseKey(HKEY key);
// `name` null or "" is the key's default value. With `data` null and `cbData` set, reports the
// size; with a buffer that is too small answers ERROR_MORE_DATA and the size needed in *cbData
// (the buffer is left as it was).
VNK_EXPORT LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                BYTE* data, DWORD* cbData);
VNK_EXPORT LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD cbData);
VNK_EXPORT LONG RegDeleteValue(HKEY key, const char* name);
// Deletes one key that has no subkeys (a key with subkeys answers ERROR_ACCESS_DENIED, as on
// Windows); RegDeleteTree deletes `subKey` (or, when null, everything below `key`) with all it
// holds.
VNK_EXPORT LONG RegDeleteKey(HKEY key, const char* subKey);
VNK_EXPORT LONG RegDeleteTree(HKEY key, const char* subKey);
// `cchName` is the buffer size in bytes including the NUL on the way in, the name's length
// without it on the way out. Past the last subkey: ERROR_NO_MORE_ITEMS.
VNK_EXPORT LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved,
                             char* cls, DWORD* cchClass, FILETIME* lastWriteTime);
VNK_EXPORT LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved,
                             DWORD* type, BYTE* data, DWORD* cbData);
VNK_EXPORT LONG RegQueryInfoKey(HKEY key, char* cls, DWORD* cchClass, DWORD* reserved,
                                DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* maxClassLen,
                                DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen,
                                DWORD* securityDescriptor, FILETIME* lastWriteTime);
// Makes everything written so far durable on disk (a checkpoint of the hive's log).
VNK_EXPORT LONG RegFlushKey(HKEY key);

// ---- Code-page calls ----------------------------------------------------------------------------
VNK_EXPORT LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                              PHKEY result);
VNK_EXPORT LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* cls,
                                DWORD options, REGSAM sam, const void* security, PHKEY result,
                                DWORD* disposition);
VNK_EXPORT LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                 BYTE* data, DWORD* cbData);
VNK_EXPORT LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                               const BYTE* data, DWORD cbData);
VNK_EXPORT LONG RegDeleteValueA(HKEY key, const char* name);
VNK_EXPORT LONG RegDeleteKeyA(HKEY key, const char* subKey);

// ---- Batches -----------------------------------------------------------------------------------
// Everything the calling thread writes between RegBeginBatch and RegCommitBatch is one
// transaction per hive: other processes see none of it before the commit, and RegAbandonBatch
// (or a failed commit) keeps none of it. A call that fails inside the batch undoes only itself.
// Other threads wait until the batch ends; begin and end it on the same thread. The hives commit
// one after the other, so only a failure of the commit itself (disk full, I/O error) could keep
// one hive's part of a batch that wrote to both.
VNK_EXPORT LONG RegBeginBatch();
VNK_EXPORT LONG RegCommitBatch();
VNK_EXPORT void RegAbandonBatch();

// ---- Helpers for this program's own code --------------------------------------------------------
// What went wrong in the last failing call of this thread, in words (empty when nothing did).
VNK_EXPORT std::string RegLastErrorDetail();
// The folder that holds the hive databases, and the database file of one hive (empty when no
// private folder is known).
VNK_EXPORT std::string RegStorageDirectory();
VNK_EXPORT std::string RegHiveFile(HKEY hive);
// How many key handles are open in this process (tests assert that none leaks).
VNK_EXPORT std::size_t RegOpenHandleCount();
// Closes every database and forgets the storage folder (tests only; open handles become invalid).
VNK_EXPORT void RegResetForTesting();

// Owns one open key and closes it when it goes out of scope.
class UniqueHKey {
public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY k) : key_(k) {}
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    UniqueHKey(UniqueHKey&& o) noexcept : key_(std::exchange(o.key_, HKEY{})) {}
    UniqueHKey& operator=(UniqueHKey&& o) noexcept {
        if (this != &o) {
            reset();
            key_ = std::exchange(o.key_, HKEY{});
        }
        return *this;
    }
    ~UniqueHKey() { reset(); }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != HKEY{}; }
    // For the out-parameter of RegOpenKeyEx / RegCreateKeyEx: closes what was held first.
    HKEY* put() {
        reset();
        return &key_;
    }
    void reset() {
        if (key_ != HKEY{}) {
            RegCloseKey(key_);
            key_ = HKEY{};
        }
    }

private:
    HKEY key_{};
};

}  // namespace vnk::win
