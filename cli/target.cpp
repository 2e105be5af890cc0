#include "target.h"

#include <algorithm>

#include "core/paths.h"
#include "errors.h"

namespace varnook::cli {

namespace {

constexpr char kSep = '\\';
constexpr const char* kForms =
    " (use a drive path F:\\DIR\\FILE, a NetWare path SERVER/VOLUME:DIR\\FILE or a UNC path "
    "\\\\SERVER\\VOLUME\\DIR\\FILE)";

CliError Usage(const std::string& text, const std::string& why) {
    return CliError(kExitUsage, "not a file path: " + text + ": " + why + kForms);
}

// The non-empty components of a "\"-separated text; "." and ".." are refused.
std::vector<std::string> Components(const std::string& text, const std::string& argument) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(kSep, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string part = text.substr(start, end - start);
        if (part == "." || part == "..") {
            throw Usage(argument, "\".\" and \"..\" are not allowed");
        }
        if (!part.empty()) {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t from, size_t to) {
    std::string text;
    for (size_t i = from; i < to; ++i) {
        text += (i > from ? "\\" : "") + parts[i];
    }
    return text;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

}  // namespace

FileArgument ParseFileArgument(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), '/', kSep);
    FileArgument arg;
    if (t.size() >= 2 && t[0] == kSep && t[1] == kSep) {
        const auto parts = Components(t.substr(2), text);
        if (parts.size() < 3) {
            throw Usage(text, "a UNC path names a server, a volume and a file");
        }
        arg.form = FileArgument::Form::Unc;
        arg.server = parts[0];
        arg.volumePath = parts[1] + ":\\" + Join(parts, 2, parts.size());
        return arg;
    }
    if (t.size() >= 2 && IsLetter(t[0]) && t[1] == ':') {
        const auto parts = Components(t.substr(2), text);
        if (parts.empty()) {
            throw Usage(text, "it names a drive, not a file");
        }
        arg.form = FileArgument::Form::Drive;
        arg.drive = DriveNumber(t);
        const char letter = static_cast<char>('A' + arg.drive - 1);
        arg.folder = std::string(1, letter) + ":\\" + Join(parts, 0, parts.size() - 1);
        arg.fileName = parts.back();
        return arg;
    }
    const size_t colon = t.find(':');
    if (colon == std::string::npos) {
        throw Usage(text, "no drive, volume or server is named");
    }
    const size_t slash = t.find(kSep);
    if (slash == std::string::npos || slash > colon) {
        throw Usage(text, "a NetWare path begins with its server, SERVER/VOLUME:");
    }
    const std::string server = t.substr(0, slash);
    const std::string volume = t.substr(slash + 1, colon - slash - 1);
    if (server.empty() || volume.empty() || volume.find(kSep) != std::string::npos) {
        throw Usage(text, "a NetWare path begins with SERVER/VOLUME:");
    }
    const auto parts = Components(t.substr(colon + 1), text);
    if (parts.empty()) {
        throw Usage(text, "it names a volume, not a file");
    }
    arg.form = FileArgument::Form::NetWare;
    arg.server = server;
    arg.volumePath = volume + ":\\" + Join(parts, 0, parts.size());
    return arg;
}

const ServerRow* FindServer(const std::vector<ServerRow>& rows, const std::string& name) {
    for (const ServerRow& row : rows) {
        if (row.name == name) {
            return &row;
        }
    }
    for (const ServerRow& row : rows) {
        if (SameIgnoringCase(row.name, name)) {
            return &row;
        }
    }
    return nullptr;
}

namespace {

ServerRow ServerNamed(Context& ctx, const std::string& name) {
    const std::vector<ServerRow> rows = ScanServers(ctx.client());
    const ServerRow* row = FindServer(rows, name);
    if (row == nullptr) {
        throw CliError(kExitNotFound, "the workstation has no connection to server " +
                                          ctx.ToUtf8(name) + " (varnook-cli servers lists them)");
    }
    return *row;
}

}  // namespace

ServerRow ResolveServer(Context& ctx, const std::string& argument) {
    if (argument.empty()) {
        throw CliError(kExitUsage, "SERVER is empty");
    }
    return ServerNamed(ctx, ctx.FromUtf8(argument, "SERVER"));
}

FileTarget ResolveFile(Context& ctx, const std::string& argument) {
    const FileArgument arg = ParseFileArgument(ctx.FromUtf8(argument, "PATH"));
    FileTarget target;
    if (arg.form == FileArgument::Form::Drive) {
        const std::string drive = std::string(1, static_cast<char>('A' + arg.drive - 1)) + ":";
        std::string mapping;
        std::string localFolder;
        if (NetWareDriveInformation(ctx.client(), arg.drive) != nw::SUCCESSFUL ||
            ctx.client().GetDriveMapping(static_cast<nw::nuint16>(arg.drive), mapping,
                                         localFolder) != nw::SUCCESSFUL) {
            throw CliError(
                kExitNotFound,
                "drive " + drive + " is not a NetWare drive (varnook-cli drives lists them)");
        }
        std::string prefix;
        const std::string driveText = drive + " [" + mapping + "]";
        if (ParsePath(driveText, target.server, prefix) != 0) {
            throw CliError(
                kExitNotFound,
                "drive " + drive + " has a mapping that names no volume: " + ctx.ToUtf8(mapping));
        }
        target.volumePath = VolumePathOfFile(prefix, arg.folder, arg.fileName);
    } else {
        target.server = arg.server;
        target.volumePath = arg.volumePath;
    }
    const ServerRow server = ServerNamed(ctx, target.server);
    target.server = server.name;
    target.connRef = server.connRef;
    return target;
}

}  // namespace varnook::cli
