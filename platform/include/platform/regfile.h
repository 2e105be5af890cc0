// ".reg" files: the "Windows Registry Editor Version 5.00" text format (and the older
// "REGEDIT4"), parsed into a list of operations and written back. Pure functions; applying the
// operations to the registry is the caller's business (regtool import).
//
// Accepted input: UTF-16LE with a byte-order mark, UTF-8 with or without one; a REGEDIT4 file
// that is not UTF-8 is read in the workstation's code page. Lines:
//   [KEY]            create the key (KEY starts with a root: HKEY_LOCAL_MACHINE, HKLM, ...)
//   [-KEY]           delete the key and everything below it
//   "name"="text"    REG_SZ; in quotes \\ is a backslash and \" a quote
//   @="text"         the key's default value
//   "name"=dword:0000001e                        REG_DWORD
//   "name"=hex:01,02                             REG_BINARY
//   "name"=hex(N):..  type N (hex); for REG_SZ (1), REG_EXPAND_SZ (2) and REG_MULTI_SZ (7)
//                     the bytes are UTF-16LE text
//   "name"=-         delete the value
// Hex lists may continue on the next line after a trailing backslash. Lines starting with ";"
// are comments. Text values are kept as UTF-8 bytes, the way the registry stores them. What the
// registry would refuse is refused here, with its line: a key part over 255 characters, a key
// deeper than 512 levels, a value name over 16383 characters, a NUL in a key or value name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace vnk::reg {

using win::DWORD;

enum class OpKind { CreateKey, DeleteKey, SetValue, DeleteValue };

struct Op {
    OpKind kind = OpKind::CreateKey;
    std::string key;   // full path as written, e.g. "HKEY_LOCAL_MACHINE\Software\Kelm"
    std::string name;  // value name ("" for the default value)
    DWORD type = 0;
    std::string data;  // value bytes (text types as UTF-8)
    int line = 0;      // where it was in the file
    friend bool operator==(const Op& a, const Op& b) {
        return a.kind == b.kind && a.key == b.key && a.name == b.name && a.type == b.type &&
               a.data == b.data;
    }
};

struct ParseResult {
    std::vector<Op> ops;
    std::string error;  // empty on success
    int errorLine = 0;
    bool ok() const { return error.empty(); }
};

// Parses a whole file (its raw bytes). On an error nothing of the file should be applied.
VNK_EXPORT ParseResult parseRegFile(std::string_view bytes);

// Writing: the header line, one "[KEY]" block per key, "\r\n" line ends; then
// encodeUtf16Le() for the bytes of the file as the registry editor writes it.
VNK_EXPORT std::string regFileHeader();
VNK_EXPORT std::string formatKeyLine(std::string_view key);
VNK_EXPORT std::string formatValueLine(std::string_view name, DWORD type, std::string_view data);
VNK_EXPORT std::string formatOps(const std::vector<Op>& ops);
VNK_EXPORT std::string encodeUtf16Le(std::string_view utf8);  // with the byte-order mark

}  // namespace vnk::reg
