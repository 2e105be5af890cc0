#include "platform/regfile.h"

#include <algorithm>
#include <cstdio>

#include "platform/registry.h"
#include "platform/text.h"

namespace vnk::reg {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i];
        char b = prefix[i];
        a = (a >= 'A' && a <= 'Z') ? static_cast<char>(a + 32) : a;
        b = (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 32) : b;
        if (a != b) {
            return false;
        }
    }
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

// The levels below its hive's root that the root of `key` stands for (HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes); -1 when the root is not one the registry has.
int rootDepth(std::string_view key) {
    const std::string_view root = key.substr(0, key.find('\\'));
    for (std::string_view r : {"HKEY_LOCAL_MACHINE", "HKLM", "HKEY_CURRENT_USER", "HKCU"}) {
        if (equalsNoCase(root, r)) {
            return 0;
        }
    }
    return equalsNoCase(root, "HKEY_CLASSES_ROOT") || equalsNoCase(root, "HKCR") ? 2 : -1;
}

std::size_t charCount(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Why the registry would refuse a key of this path (after its root); empty when it would not.
std::string keyLimitProblem(std::string_view key, int below) {
    if (key.find('\0') != std::string_view::npos) {
        return "a key name may not contain a NUL character";
    }
    std::size_t depth = static_cast<std::size_t>(below);
    for (std::size_t start = key.find('\\'); start != std::string_view::npos;) {
        const std::size_t end = key.find('\\', start + 1);
        const std::string_view part =
            key.substr(start + 1, end == key.npos ? key.npos : end - start - 1);
        if (charCount(part) > win::MAX_KEY_NAME) {
            return "a part of the key is longer than " + std::to_string(win::MAX_KEY_NAME) +
                   " characters";
        }
        if (++depth > win::MAX_KEY_DEPTH) {
            return "the key lies deeper than " + std::to_string(win::MAX_KEY_DEPTH) + " levels";
        }
        start = end;
    }
    return {};
}

// The text of the file as UTF-8, or an error.
bool decode(std::string_view bytes, std::string& text, std::string& error) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            error = "the UTF-16 text ends in the middle of a character";
            return false;
        }
        std::u16string wide;
        wide.reserve(bytes.size() / 2);
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        text = text::utf16ToUtf8(wide);
        return true;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        error = "UTF-16 big-endian files are not supported; save the file as UTF-16LE or UTF-8";
        return false;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (!text::isValidUtf8(bytes)) {
            error = "the file says it is UTF-8 but is not";
            return false;
        }
        text = std::string(bytes);
        return true;
    }
    text = text::isValidUtf8(bytes) ? std::string(bytes) : text::codePageToUtf8(bytes);
    return true;
}

// Reads a quoted string at s[pos] (which is '"'); pos ends after the closing quote.
bool readQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') {
            return true;
        }
        if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"')) {
            out += s[pos++];
        } else {
            out += c;
        }
    }
    return false;
}

std::string escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string utf16LeBytesToUtf8(std::string_view bytes) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text::utf16ToUtf8(wide);
}

std::string utf8ToUtf16LeBytes(std::string_view utf8) {
    std::string out;
    for (char16_t c : text::utf8ToUtf16(utf8)) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

class Parser {
public:
    explicit Parser(std::string text) : text_(std::move(text)) {}

    ParseResult run() {
        ParseResult r;
        std::size_t pos = 0;
        bool header = false;
        while (nextLine(pos)) {
            const std::string_view line = trim(line_);
            if (!header) {
                if (line.empty()) {
                    continue;
                }
                if (line != kHeader5 && line != kHeader4) {
                    return failAt(r,
                                  "the file does not start with \"" + std::string(kHeader5) + "\"");
                }
                header = true;
                continue;
            }
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                if (!keyLine(line, r)) {
                    return r;
                }
            } else if (line.front() == '"' || line.front() == '@') {
                if (!valueLine(line, pos, r)) {
                    return r;
                }
            } else {
                return failAt(r, "this line is neither a [key] nor a \"value\"=data line");
            }
        }
        if (!header) {
            return failAt(r, "the file is empty");
        }
        return r;
    }

private:
    bool nextLine(std::size_t& pos) {
        if (pos >= text_.size()) {
            return false;
        }
        const auto end = text_.find('\n', pos);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        line_ = std::string_view(text_).substr(pos, stop - pos);
        pos = end == std::string::npos ? text_.size() : end + 1;
        ++lineNo_;
        return true;
    }

    ParseResult& failAt(ParseResult& r, std::string message) {
        r.ops.clear();
        r.error = std::move(message);
        r.errorLine = lineNo_;
        return r;
    }

    bool keyLine(std::string_view line, ParseResult& r) {
        if (line.back() != ']') {
            failAt(r, "a key line must end with \"]\"");
            return false;
        }
        std::string_view key = trim(line.substr(1, line.size() - 2));
        const bool del = !key.empty() && key.front() == '-';
        if (del) {
            key = trimLeft(key.substr(1));
        }
        if (!key.empty() && key.back() == '\\') {
            // "[HKCU\Name \]" names "HKCU\Name": blanks before the closing backslash go too, as
            // they do before the closing bracket, so the key reads back the same when written.
            key = trimRight(key.substr(0, key.size() - 1));
        }
        const int below = key.empty() ? -1 : rootDepth(key);
        if (below < 0) {
            failAt(r,
                   "the key must begin with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or "
                   "HKEY_CLASSES_ROOT");
            return false;
        }
        if (key.find("\\\\") != std::string_view::npos || key.back() == '\\') {
            failAt(r, "the key has an empty part (two backslashes)");
            return false;
        }
        if (const std::string problem = keyLimitProblem(key, below); !problem.empty()) {
            failAt(r, problem);
            return false;
        }
        Op op;
        op.kind = del ? OpKind::DeleteKey : OpKind::CreateKey;
        op.key = std::string(key);
        op.line = lineNo_;
        r.ops.push_back(op);
        currentKey_ = del ? std::string() : op.key;
        return true;
    }

    bool valueLine(std::string_view line, std::size_t& pos, ParseResult& r) {
        if (currentKey_.empty()) {
            failAt(r, "a value must follow a [key] line");
            return false;
        }
        Op op;
        op.key = currentKey_;
        op.line = lineNo_;
        std::size_t i = 0;
        if (line.front() == '@') {
            i = 1;
        } else if (!readQuoted(line, i, op.name)) {
            failAt(r, "the value name has no closing quote");
            return false;
        } else if (op.name.find('\0') != std::string::npos) {
            failAt(r, "a value name may not contain a NUL character");
            return false;
        } else if (charCount(op.name) > win::MAX_VALUE_NAME) {
            failAt(r, "the value name is longer than " + std::to_string(win::MAX_VALUE_NAME) +
                          " characters");
            return false;
        }
        std::string_view rest = trimLeft(line.substr(i));
        if (rest.empty() || rest.front() != '=') {
            failAt(r, "\"=\" must follow the value name");
            return false;
        }
        rest = trim(rest.substr(1));
        if (rest == "-") {
            op.kind = OpKind::DeleteValue;
            r.ops.push_back(op);
            return true;
        }
        op.kind = OpKind::SetValue;
        if (!rest.empty() && rest.front() == '"') {
            std::size_t q = 0;
            if (!readQuoted(rest, q, op.data)) {
                failAt(r, "the text has no closing quote");
                return false;
            }
            if (!trim(rest.substr(q)).empty()) {
                failAt(r, "unexpected characters after the closing quote");
                return false;
            }
            op.type = win::REG_SZ;
            op.data += '\0';
            r.ops.push_back(op);
            return true;
        }
        if (startsWithNoCase(rest, "dword:")) {
            const std::string_view digits = rest.substr(6);
            if (digits.empty() || digits.size() > 8) {
                failAt(r, "dword: needs 1 to 8 hexadecimal digits");
                return false;
            }
            std::uint32_t v = 0;
            for (char c : digits) {
                const int d = hexDigit(c);
                if (d < 0) {
                    failAt(r, "dword: needs 1 to 8 hexadecimal digits");
                    return false;
                }
                v = (v << 4) | static_cast<std::uint32_t>(d);
            }
            op.type = win::REG_DWORD;
            for (int b = 0; b < 4; ++b) {
                op.data += static_cast<char>((v >> (8 * b)) & 0xFF);
            }
            r.ops.push_back(op);
            return true;
        }
        if (!startsWithNoCase(rest, "hex")) {
            failAt(r, "the data must be \"text\", dword:, hex: or hex(type):");
            return false;
        }
        rest.remove_prefix(3);
        op.type = win::REG_BINARY;
        if (!rest.empty() && rest.front() == '(') {
            const auto close = rest.find(')');
            const std::string_view t =
                close == std::string_view::npos ? std::string_view() : rest.substr(1, close - 1);
            if (t.empty() || t.size() > 8) {
                failAt(r, "hex(type) needs a hexadecimal type number");
                return false;
            }
            std::uint32_t v = 0;
            for (char c : t) {
                const int d = hexDigit(c);
                if (d < 0) {
                    failAt(r, "hex(type) needs a hexadecimal type number");
                    return false;
                }
                v = (v << 4) | static_cast<std::uint32_t>(d);
            }
            op.type = v;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':') {
            failAt(r, "\":\" must follow hex or hex(type)");
            return false;
        }
        std::string list(trim(rest.substr(1)));
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            if (!nextLine(pos)) {
                failAt(r, "the file ends inside a continued hex list");
                return false;
            }
            list += trim(line_);
        }
        if (!hexList(list, op.data)) {
            failAt(r, "a hex list holds bytes of two hexadecimal digits separated by commas");
            return false;
        }
        if (win::isTextType(op.type)) {
            if (op.data.size() % 2 != 0) {
                failAt(r, "UTF-16 text needs an even number of bytes");
                return false;
            }
            op.data = utf16LeBytesToUtf8(op.data);
        }
        r.ops.push_back(op);
        return true;
    }

    static bool hexList(std::string_view list, std::string& out) {
        out.clear();
        std::size_t pos = 0;
        while (pos < list.size()) {
            auto comma = list.find(',', pos);
            const bool last = comma == std::string_view::npos;
            const std::string_view token = trim(list.substr(pos, last ? list.npos : comma - pos));
            pos = last ? list.size() : comma + 1;
            if (token.empty()) {
                if (last) {
                    break;  // a trailing comma
                }
                return false;
            }
            if (token.size() > 2) {
                return false;
            }
            int v = 0;
            for (char c : token) {
                const int d = hexDigit(c);
                if (d < 0) {
                    return false;
                }
                v = v * 16 + d;
            }
            out += static_cast<char>(v);
        }
        return true;
    }

    std::string text_;
    std::string_view line_;
    int lineNo_ = 0;
    std::string currentKey_;
};

std::string hexData(std::string_view prefix, std::string_view bytes) {
    std::string out(prefix);
    std::size_t column = out.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
        out += buf;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 75) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

bool quotable(std::string_view data) {
    if (data.empty() || data.back() != '\0') {
        return false;
    }
    data.remove_suffix(1);
    return data.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
           text::isValidUtf8(data);
}

}  // namespace

ParseResult parseRegFile(std::string_view bytes) {
    std::string text;
    std::string error;
    if (!decode(bytes, text, error)) {
        ParseResult r;
        r.error = error;
        r.errorLine = 1;
        return r;
    }
    return Parser(std::move(text)).run();
}

std::string regFileHeader() {
    return std::string(kHeader5) + "\r\n";
}

std::string formatKeyLine(std::string_view key) {
    return "\r\n[" + std::string(key) + "]\r\n";
}

std::string formatValueLine(std::string_view name, DWORD type, std::string_view data) {
    std::string line = name.empty() ? std::string("@") : "\"" + escape(name) + "\"";
    line += '=';
    if (type == win::REG_SZ && quotable(data)) {
        line += "\"" + escape(data.substr(0, data.size() - 1)) + "\"";
    } else if (type == win::REG_DWORD && data.size() == 4) {
        std::uint32_t v = 0;
        for (int b = 3; b >= 0; --b) {
            v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(b)]);
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        line += buf;
    } else if (type == win::REG_BINARY) {
        line = hexData(line + "hex:", data);
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
        line = hexData(line + prefix,
                       win::isTextType(type) ? utf8ToUtf16LeBytes(data) : std::string(data));
    }
    return line + "\r\n";
}

std::string formatOps(const std::vector<Op>& ops) {
    std::string out = regFileHeader();
    std::string current;
    for (const Op& op : ops) {
        switch (op.kind) {
            case OpKind::CreateKey:
                out += formatKeyLine(op.key);
                current = op.key;
                break;
            case OpKind::DeleteKey:
                out += formatKeyLine("-" + op.key);
                current.clear();
                break;
            case OpKind::SetValue:
            case OpKind::DeleteValue:
                if (op.key != current) {
                    out += formatKeyLine(op.key);
                    current = op.key;
                }
                if (op.kind == OpKind::SetValue) {
                    out += formatValueLine(op.name, op.type, op.data);
                } else {
                    out += (op.name.empty() ? std::string("@") : "\"" + escape(op.name) + "\"") +
                           "=-\r\n";
                }
                break;
        }
    }
    return out + "\r\n";
}

std::string encodeUtf16Le(std::string_view utf8) {
    return "\xFF\xFE" + utf8ToUtf16LeBytes(utf8);
}

}  // namespace vnk::reg
