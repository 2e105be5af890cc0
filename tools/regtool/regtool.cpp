// regtool: the command-line registry editor. See usage() for the syntax; output and exit codes
// follow the Windows registry console tool (0 success, 1 failure).
#include "regtool.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "files.h"
#include "keys.h"
#include "platform/regfile.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace regtool {
namespace {

using namespace vnk::win;

// A .reg file bigger than this is refused rather than read into memory.
constexpr std::size_t kMaxImportBytes = std::size_t{1} << 30;

constexpr const char* kDone = "The operation completed successfully.";
constexpr const char* kCancelled = "The operation was cancelled by the user.";
constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";

struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

int usage(Io& io, const std::string& command) {
    if (command == "query") {
        io.out << "regtool query KEY [/v NAME | /ve] [/s]\n"
                  "  Lists the values of KEY and its subkeys; /v one value, /ve the default\n"
                  "  value, /s every key below KEY as well.\n";
    } else if (command == "add") {
        io.out << "regtool add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
                  "  Creates KEY, and sets the value NAME (or the default value) to DATA.\n"
                  "  TYPE: REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,\n"
                  "  REG_BINARY, REG_NONE. REG_MULTI_SZ items are separated by \\0 or by\n"
                  "  /s SEPARATOR; REG_DWORD and REG_QWORD take decimal or 0x hexadecimal;\n"
                  "  REG_BINARY takes hexadecimal digits. /f overwrites without asking.\n";
    } else if (command == "delete") {
        io.out << "regtool delete KEY [/v NAME | /ve | /va] [/f]\n"
                  "  Deletes KEY with everything below it, or the value NAME, the default\n"
                  "  value (/ve) or every value of KEY (/va). /f deletes without asking.\n";
    } else if (command == "import") {
        io.out << "regtool import FILE\n"
                  "  Applies a .reg file (\"Windows Registry Editor Version 5.00\", UTF-8 or\n"
                  "  UTF-16LE with a byte-order mark). The whole file is checked against the\n"
                  "  registry's limits, then applied as one transaction: nothing is applied if\n"
                  "  any line has an error or the registry refuses any change.\n";
    } else if (command == "export") {
        io.out << "regtool export KEY FILE [/y]\n"
                  "  Writes KEY and everything below it to FILE as a .reg file (UTF-16LE),\n"
                  "  readable by the user alone (0600). /y overwrites FILE without asking.\n";
    } else {
        io.out << "regtool OPERATION [parameters]\n"
                  "  OPERATION: query, add, delete, import, export\n"
                  "  KEY: ROOT\\SubKey, ROOT being HKLM, HKCU, HKCR or HKEY_LOCAL_MACHINE,\n"
                  "  HKEY_CURRENT_USER, HKEY_CLASSES_ROOT.\n"
                  "  \"regtool OPERATION /?\" describes one operation.\n"
                  "  The registry lives in $VARNOOK_REGISTRY_DIR (default\n"
                  "  ~/.local/share/varnook/registry).\n";
    }
    return 0;
}

int syntaxError(Io& io, const std::string& command, const std::string& what = "Invalid syntax.") {
    io.err << "ERROR: " << what << "\nType \"regtool " << command << " /?\" for usage.\n";
    return 1;
}

// The message for a failed registry call, with what the registry knows about it.
int registryError(Io& io, LONG e) {
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
            io.err << kNotFound << "\n";
            return 1;
        case ERROR_ACCESS_DENIED:
            io.err << "ERROR: Access is denied.\n";
            break;
        case ERROR_BADDB:
            io.err << "ERROR: The configuration registry database is corrupt.\n";
            break;
        case ERROR_CANTOPEN:
            io.err << "ERROR: The configuration registry database could not be opened.\n";
            break;
        default:
            io.err << "ERROR: The registry reported error " << e << ".\n";
            break;
    }
    const std::string detail = RegLastErrorDetail();
    if (!detail.empty()) {
        io.err << "       (" << detail << ")\n";
    }
    return 1;
}

bool isSwitch(const std::string& arg, const char* name) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) {
        return false;
    }
    const std::string s = arg.substr(1);
    if (s.size() != std::char_traits<char>::length(name)) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != name[i]) {
            return false;
        }
    }
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

struct KeyName {
    HKEY root{};
    std::string rootName;  // long form
    std::string sub;       // may be empty
    std::string full() const { return sub.empty() ? rootName : rootName + "\\" + sub; }
    // Levels below the hive's root (HKEY_CLASSES_ROOT is two levels down in its hive).
    std::size_t depth() const {
        const std::size_t below = root == HKEY_CLASSES_ROOT ? 2 : 0;
        return below + (sub.empty() ? 0 : 1 + std::count(sub.begin(), sub.end(), '\\'));
    }
};

// The message for a walk over a tree that stopped; 0 when it did not.
int walkError(Io& io, const KeyName& top, const WalkResult& walk) {
    if (walk.tooDeep) {
        io.err << "ERROR: A key below " << top.full() << " lies deeper than " << MAX_KEY_DEPTH
               << " levels; the registry holds no keys that deep.\n";
        return 1;
    }
    return walk.error != ERROR_SUCCESS ? registryError(io, walk.error) : 0;
}

bool parseKey(const std::string& text, KeyName& key) {
    const auto slash = text.find('\\');
    const std::string root = text.substr(0, slash);
    std::string sub = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    while (!sub.empty() && sub.back() == '\\') {
        sub.pop_back();
    }
    struct Root {
        const char* shortName;
        const char* longName;
        HKEY key;
    };
    for (const Root& r : {Root{"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                          Root{"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                          Root{"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}}) {
        if (equalsNoCase(root, r.shortName) || equalsNoCase(root, r.longName)) {
            key.root = r.key;
            key.rootName = r.longName;
            key.sub = sub;
            return sub.find("\\\\") == std::string::npos;
        }
    }
    return false;
}

// Asks a Yes/No question; only an answer starting with y or Y is yes.
bool confirm(Io& io, const std::string& question) {
    io.out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(io.in, answer)) {
        io.out << "\n";
        return false;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// ---- Showing values
// ------------------------------------------------------------------------------
const char* typeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_RESOURCE_LIST:
            return "REG_RESOURCE_LIST";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return nullptr;
    }
}

std::string hexBytes(const std::string& data) {
    std::string out;
    char buf[4];
    for (unsigned char c : data) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

std::string showData(DWORD type, const std::string& data) {
    char buf[32];
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return data.substr(0, data.find('\0'));
        case REG_MULTI_SZ: {
            std::string out;
            std::string_view rest(data);
            while (!rest.empty() && rest.back() == '\0') {
                rest.remove_suffix(1);
            }
            for (char c : rest) {
                out += c == '\0' ? std::string("\\0") : std::string(1, c);
            }
            return out;
        }
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN:
            if (data.size() == 4) {
                std::uint32_t v = 0;
                for (int b = 0; b < 4; ++b) {
                    const int i = type == REG_DWORD ? 3 - b : b;
                    v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
                }
                std::snprintf(buf, sizeof buf, "0x%x", v);
                return buf;
            }
            return hexBytes(data);
        case REG_QWORD:
            if (data.size() == 8) {
                std::uint64_t v = 0;
                for (int b = 7; b >= 0; --b) {
                    v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(b)]);
                }
                std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
                return buf;
            }
            return hexBytes(data);
        default:
            return hexBytes(data);
    }
}

std::string valueLine(const std::string& name, DWORD type, const std::string& data) {
    const char* t = typeName(type);
    return "    " + (name.empty() ? std::string("(Default)") : name) + "    " +
           (t != nullptr ? std::string(t) : "0x" + std::to_string(type)) + "    " +
           showData(type, data) + "\n";
}

LONG readValue(HKEY key, const std::string& name, Value& v) {
    DWORD size = 0;
    LONG e = RegQueryValueEx(key, name.c_str(), nullptr, &v.type, nullptr, &size);
    if (e != ERROR_SUCCESS) {
        return e;
    }
    v.name = name;
    v.data.assign(size, '\0');
    e = RegQueryValueEx(key, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()),
                        &size);
    v.data.resize(size);
    return e;
}

// ---- query
// -----------------------------------------------------------------------------------------
struct QueryOptions {
    bool hasValue = false;
    std::string value;
    bool recursive = false;
};

// Prints one key: its values (or the one asked for), and without /s the paths of its subkeys.
LONG showKey(Io& io, HKEY key, const std::string& path, const std::vector<std::string>& subKeys,
             const QueryOptions& opt, int& matches) {
    std::string block;
    LONG e = ERROR_SUCCESS;
    if (opt.hasValue) {
        Value v;
        e = readValue(key, opt.value, v);
        if (e == ERROR_SUCCESS) {
            // Show the name as it was created.
            std::vector<Value> all;
            if (readValues(key, all) == ERROR_SUCCESS) {
                for (const Value& a : all) {
                    if (equalsNoCase(a.name, opt.value)) {
                        v.name = a.name;
                        break;
                    }
                }
            }
            block = valueLine(v.name, v.type, v.data);
            ++matches;
        } else if (e != ERROR_FILE_NOT_FOUND) {
            return e;
        }
    } else {
        std::vector<Value> values;
        if ((e = readValues(key, values)) != ERROR_SUCCESS) {
            return e;
        }
        for (const Value& v : values) {
            block += valueLine(v.name, v.type, v.data);
        }
    }
    if (!opt.hasValue || !block.empty()) {
        io.out << "\n" << path << "\n" << block;
    }
    if (!opt.recursive && !opt.hasValue) {
        for (const std::string& s : subKeys) {
            io.out << (&s == &subKeys.front() ? "\n" : "") << path << "\\" << s << "\n";
        }
    }
    return ERROR_SUCCESS;
}

// Shows KEY, and with /s every key below it.
int queryTree(Io& io, HKEY key, const KeyName& name, const QueryOptions& opt, int& matches) {
    const auto show = [&](HKEY k, const std::string& path, const std::vector<std::string>& subs) {
        return showKey(io, k, path, subs, opt, matches);
    };
    if (opt.recursive) {
        return walkError(io, name, walkTree(key, name.full(), name.depth(), show));
    }
    std::vector<std::string> subKeys;
    LONG e = readSubKeys(key, subKeys);
    if (e == ERROR_SUCCESS) {
        e = show(key, name.full(), subKeys);
    }
    return e != ERROR_SUCCESS ? registryError(io, e) : 0;
}

int query(Io& io, const std::vector<std::string>& args) {
    KeyName key;
    if (args.empty() || !parseKey(args[0], key)) {
        return syntaxError(io, "query", args.empty() ? "Invalid syntax." : "Invalid key name.");
    }
    QueryOptions opt;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (isSwitch(args[i], "v") && i + 1 < args.size() && !opt.hasValue) {
            opt.hasValue = true;
            opt.value = args[++i];
        } else if (isSwitch(args[i], "ve") && !opt.hasValue) {
            opt.hasValue = true;
            opt.value.clear();
        } else if (isSwitch(args[i], "s") && !opt.recursive) {
            opt.recursive = true;
        } else {
            return syntaxError(io, "query");
        }
    }
    UniqueHKey k;
    const LONG e = RegOpenKeyEx(key.root, key.sub.c_str(), 0, KEY_READ, k.put());
    if (e != ERROR_SUCCESS) {
        return registryError(io, e);
    }
    int matches = 0;
    if (queryTree(io, k.get(), key, opt, matches) != 0) {
        return 1;
    }
    if (opt.hasValue && matches == 0) {
        if (!opt.recursive && opt.value.empty()) {
            io.out << "\n" << key.full() << "\n    (Default)    REG_SZ    (value not set)\n\n";
            return 0;
        }
        if (!opt.recursive) {
            io.err << kNotFound << "\n";
            return 1;
        }
    }
    io.out << "\n";
    if (opt.recursive && opt.hasValue) {
        io.out << "End of search: " << matches << " match(es) found.\n";
        return matches > 0 ? 0 : 1;
    }
    return 0;
}

// ---- add
// ---------------------------------------------------------------------------------------------
bool parseNumber(const std::string& text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty()) {
        return false;
    }
    std::size_t used = 0;
    try {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        if (text[0] == '-' || text[0] == '+' || (hex && (text[2] == '-' || text[2] == '+'))) {
            return false;
        }
        out = std::stoull(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        used += hex ? 2 : 0;
    } catch (...) {
        return false;
    }
    return used == text.size() && out <= max;
}

bool encodeData(DWORD type, const std::string& text, char separator, std::string& data,
                std::string& why) {
    data.clear();
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            data = text;
            data += '\0';
            return true;
        case REG_MULTI_SZ: {
            std::size_t pos = 0;
            while (pos <= text.size() && !text.empty()) {
                std::size_t end =
                    separator == '\0' ? text.find("\\0", pos) : text.find(separator, pos);
                const std::string item =
                    text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
                if (item.empty() && end != std::string::npos) {
                    why = "REG_MULTI_SZ items may not be empty.";
                    return false;
                }
                data += item;
                data += '\0';
                if (end == std::string::npos) {
                    break;
                }
                pos = end + (separator == '\0' ? 2 : 1);
            }
            data += '\0';
            return true;
        }
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN:
        case REG_QWORD: {
            const int bytes = type == REG_QWORD ? 8 : 4;
            std::uint64_t v = 0;
            if (!text.empty() && !parseNumber(text, bytes == 8 ? UINT64_MAX : 0xFFFFFFFFull, v)) {
                why = std::string("Invalid value for ") + typeName(type) +
                      ": give a decimal number or 0x and hexadecimal digits.";
                return false;
            }
            for (int b = 0; b < bytes; ++b) {
                const int shift = type == REG_DWORD_BIG_ENDIAN ? 8 * (bytes - 1 - b) : 8 * b;
                data += static_cast<char>((v >> shift) & 0xFF);
            }
            return true;
        }
        case REG_BINARY:
        case REG_NONE: {
            if (text.size() % 2 != 0) {
                why = "REG_BINARY data needs an even number of hexadecimal digits.";
                return false;
            }
            for (std::size_t i = 0; i < text.size(); i += 2) {
                std::uint64_t v = 0;
                if (!parseNumber("0x" + text.substr(i, 2), 0xFF, v)) {
                    why = "REG_BINARY data takes hexadecimal digits only.";
                    return false;
                }
                data += static_cast<char>(v);
            }
            return true;
        }
        default:
            why = "Invalid type.";
            return false;
    }
}

bool parseType(const std::string& text, DWORD& type) {
    for (DWORD t : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE,
                    REG_DWORD_BIG_ENDIAN}) {
        if (equalsNoCase(text, typeName(t))) {
            type = t;
            return true;
        }
    }
    return false;
}

int add(Io& io, const std::vector<std::string>& args) {
    KeyName key;
    if (args.empty() || !parseKey(args[0], key)) {
        return syntaxError(io, "add", args.empty() ? "Invalid syntax." : "Invalid key name.");
    }
    bool hasValue = false;
    std::string name;
    DWORD type = REG_SZ;
    bool hasType = false;
    std::string dataText;
    bool hasData = false;
    char separator = '\0';
    bool hasSeparator = false;
    bool force = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool more = i + 1 < args.size();
        if (isSwitch(args[i], "v") && more && !hasValue) {
            hasValue = true;
            name = args[++i];
        } else if (isSwitch(args[i], "ve") && !hasValue) {
            hasValue = true;
            name.clear();
        } else if (isSwitch(args[i], "t") && more && !hasType) {
            hasType = true;
            if (!parseType(args[++i], type)) {
                return syntaxError(io, "add", "Invalid type: " + args[i] + ".");
            }
        } else if (isSwitch(args[i], "d") && more && !hasData) {
            hasData = true;
            dataText = args[++i];
        } else if (isSwitch(args[i], "s") && more && !hasSeparator && args[i + 1].size() == 1) {
            hasSeparator = true;
            separator = args[++i][0];
        } else if (isSwitch(args[i], "f")) {
            force = true;
        } else {
            return syntaxError(io, "add");
        }
    }
    if (!hasValue && (hasType || hasData || hasSeparator)) {
        return syntaxError(io, "add", "Name the value with /v or /ve.");
    }
    if (hasSeparator && type != REG_MULTI_SZ) {
        return syntaxError(io, "add", "/s applies to REG_MULTI_SZ only.");
    }
    std::string data;
    std::string why;
    if (hasValue && !encodeData(type, dataText, separator, data, why)) {
        return syntaxError(io, "add", why);
    }
    if (key.sub.empty() && key.root != HKEY_CLASSES_ROOT && !hasValue) {
        io.out << kDone << "\n";
        return 0;
    }
    UniqueHKey k;
    LONG e = RegCreateKeyEx(key.root, key.sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            k.put(), nullptr);
    if (e != ERROR_SUCCESS) {
        return registryError(io, e);
    }
    if (hasValue) {
        DWORD size = 0;
        e = RegQueryValueEx(k.get(), name.c_str(), nullptr, nullptr, nullptr, &size);
        if (e == ERROR_SUCCESS && !force &&
            !confirm(io, "Value " + (name.empty() ? std::string("(Default)") : name) +
                             " exists, overwrite")) {
            io.out << kCancelled << "\n";
            return 0;
        }
        if (e != ERROR_SUCCESS && e != ERROR_FILE_NOT_FOUND) {
            return registryError(io, e);
        }
        e = RegSetValueEx(k.get(), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
        if (e != ERROR_SUCCESS) {
            return registryError(io, e);
        }
    }
    io.out << kDone << "\n";
    return 0;
}

// ---- delete
// ------------------------------------------------------------------------------------------
int remove(Io& io, const std::vector<std::string>& args) {
    KeyName key;
    if (args.empty() || !parseKey(args[0], key)) {
        return syntaxError(io, "delete", args.empty() ? "Invalid syntax." : "Invalid key name.");
    }
    enum { Key, OneValue, AllValues } what = Key;
    std::string name;
    bool force = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (isSwitch(args[i], "v") && i + 1 < args.size() && what == Key) {
            what = OneValue;
            name = args[++i];
        } else if (isSwitch(args[i], "ve") && what == Key) {
            what = OneValue;
            name.clear();
        } else if (isSwitch(args[i], "va") && what == Key) {
            what = AllValues;
        } else if (isSwitch(args[i], "f")) {
            force = true;
        } else {
            return syntaxError(io, "delete");
        }
    }
    if (what == Key && key.sub.empty()) {
        return syntaxError(io, "delete", "A root key cannot be deleted.");
    }
    UniqueHKey k;
    const REGSAM sam = what == Key ? KEY_READ : KEY_ALL_ACCESS;
    LONG e = RegOpenKeyEx(key.root, key.sub.c_str(), 0, sam, k.put());
    if (e != ERROR_SUCCESS) {
        return registryError(io, e);
    }
    if (what == OneValue) {
        DWORD size = 0;
        e = RegQueryValueEx(k.get(), name.c_str(), nullptr, nullptr, nullptr, &size);
        if (e != ERROR_SUCCESS) {
            return registryError(io, e);
        }
    }
    const std::string question =
        what == Key        ? "Permanently delete the registry key " + key.full()
        : what == OneValue ? "Delete the registry value " + (name.empty() ? "(Default)" : name)
                           : "Delete all values under the registry key " + key.full();
    if (!force && !confirm(io, question)) {
        io.out << kCancelled << "\n";
        return 0;
    }
    if (what == Key) {
        k.reset();
        e = RegDeleteTree(key.root, key.sub.c_str());
    } else if (what == OneValue) {
        e = RegDeleteValue(k.get(), name.c_str());
    } else {
        std::vector<Value> values;
        e = readValues(k.get(), values);
        for (std::size_t i = 0; e == ERROR_SUCCESS && i < values.size(); ++i) {
            e = RegDeleteValue(k.get(), values[i].name.c_str());
        }
    }
    if (e != ERROR_SUCCESS) {
        return registryError(io, e);
    }
    io.out << kDone << "\n";
    return 0;
}

// ---- import / export
// ------------------------------------------------------------------------------
// Applies one operation of a .reg file.
LONG apply(const vnk::reg::Op& op, const KeyName& key) {
    if (op.kind == vnk::reg::OpKind::DeleteKey) {
        const LONG e =
            key.sub.empty() ? ERROR_ACCESS_DENIED : RegDeleteTree(key.root, key.sub.c_str());
        return e == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : e;
    }
    UniqueHKey k;
    LONG e = RegCreateKeyEx(key.root, key.sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            k.put(), nullptr);
    if (e == ERROR_SUCCESS && op.kind == vnk::reg::OpKind::SetValue) {
        e = RegSetValueEx(k.get(), op.name.c_str(), 0, op.type,
                          reinterpret_cast<const BYTE*>(op.data.data()),
                          static_cast<DWORD>(op.data.size()));
    } else if (e == ERROR_SUCCESS && op.kind == vnk::reg::OpKind::DeleteValue) {
        e = RegDeleteValue(k.get(), op.name.c_str());
        e = e == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : e;
    }
    return e;
}

// Keeps the registry's changes only when committed.
class Batch {
public:
    Batch() : begun_(RegBeginBatch()) {}
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    ~Batch() {
        if (begun_ == ERROR_SUCCESS && !done_) {
            RegAbandonBatch();
        }
    }
    LONG begun() const { return begun_; }
    LONG commit() {
        done_ = true;
        return RegCommitBatch();
    }

private:
    LONG begun_;
    bool done_ = false;
};

int import(Io& io, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return syntaxError(io, "import");
    }
    const std::string& file = args[0];
    std::string bytes;
    std::string why;
    if (!readFile(file, kMaxImportBytes, bytes, why)) {
        io.err << "ERROR: Error opening the file " << file << " (" << why << ").\n";
        return 1;
    }
    // The file is checked whole (syntax and every limit of the registry), then applied as one
    // transaction: an import is kept entirely or not at all.
    const vnk::reg::ParseResult parsed = vnk::reg::parseRegFile(bytes);
    if (!parsed.ok()) {
        io.err << "ERROR: " << file << ", line " << parsed.errorLine << ": " << parsed.error
               << ".\nNothing was imported.\n";
        return 1;
    }
    std::vector<KeyName> keys(parsed.ops.size());
    for (std::size_t i = 0; i < parsed.ops.size(); ++i) {
        if (!parseKey(parsed.ops[i].key, keys[i])) {
            io.err << "ERROR: " << file << ", line " << parsed.ops[i].line
                   << ": invalid key name.\nNothing was imported.\n";
            return 1;
        }
    }
    Batch batch;
    if (batch.begun() != ERROR_SUCCESS) {
        return registryError(io, batch.begun());
    }
    for (std::size_t i = 0; i < parsed.ops.size(); ++i) {
        const LONG e = apply(parsed.ops[i], keys[i]);
        if (e != ERROR_SUCCESS) {
            io.err << "ERROR: Error accessing the registry (" << file << ", line "
                   << parsed.ops[i].line << ").\n";
            registryError(io, e);
            io.err << "Nothing was imported.\n";
            return 1;
        }
    }
    const LONG e = batch.commit();
    if (e != ERROR_SUCCESS) {
        registryError(io, e);
        io.err << "Nothing was imported.\n";
        return 1;
    }
    io.out << kDone << "\n";
    return 0;
}

int exportTo(Io& io, const std::vector<std::string>& args) {
    bool overwrite = false;
    std::vector<std::string> plain;
    for (const std::string& a : args) {
        if (isSwitch(a, "y")) {
            overwrite = true;
        } else {
            plain.push_back(a);
        }
    }
    KeyName key;
    if (plain.size() != 2) {
        return syntaxError(io, "export");
    }
    if (!parseKey(plain[0], key)) {
        return syntaxError(io, "export", "Invalid key name.");
    }
    const std::string& file = plain[1];
    UniqueHKey k;
    const LONG e = RegOpenKeyEx(key.root, key.sub.c_str(), 0, KEY_READ, k.put());
    if (e != ERROR_SUCCESS) {
        return registryError(io, e);
    }
    std::string text = vnk::reg::regFileHeader();
    const auto write = [&](HKEY handle, const std::string& path, const std::vector<std::string>&) {
        std::vector<Value> values;
        const LONG read = readValues(handle, values);
        text += vnk::reg::formatKeyLine(path);
        for (const Value& v : values) {
            text += vnk::reg::formatValueLine(v.name, v.type, v.data);
        }
        return read;
    };
    if (const int failed = walkError(io, key, walkTree(k.get(), key.full(), key.depth(), write))) {
        return failed;
    }
    text += "\r\n";
    if (access(file.c_str(), F_OK) == 0 && !overwrite &&
        !confirm(io, "File " + file + " already exists. Overwrite")) {
        io.out << kCancelled << "\n";
        return 0;
    }
    std::string why;
    if (!replaceFile(file, vnk::reg::encodeUtf16Le(text), why)) {
        io.err << "ERROR: Error writing the file " << file << " (" << why << ").\n";
        return 1;
    }
    io.out << kDone << "\n";
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& argv, std::istream& in, std::ostream& out,
        std::ostream& err) {
    Io io{in, out, err};
    if (argv.empty()) {
        err << "ERROR: Invalid syntax.\nType \"regtool /?\" for usage.\n";
        return 1;
    }
    std::string op = argv[0];
    for (char& c : op) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::vector<std::string> args(argv.begin() + 1, argv.end());
    if (op == "/?" || op == "-?" || op == "-h" || op == "--help") {
        return usage(io, "");
    }
    for (const std::string& a : args) {
        if (a == "/?" || a == "-?") {
            return usage(io, op);
        }
    }
    if (op == "query") {
        return query(io, args);
    }
    if (op == "add") {
        return add(io, args);
    }
    if (op == "delete") {
        return remove(io, args);
    }
    if (op == "import") {
        return import(io, args);
    }
    if (op == "export") {
        return exportTo(io, args);
    }
    err << "ERROR: Invalid operation " << argv[0] << ".\nType \"regtool /?\" for usage.\n";
    return 1;
}

}  // namespace regtool
