// What the arguments name: a server of the workstation's connections, and a file given as a
// drive path (F:\DATA\Report.xls), a NetWare path (FS1/DATA:SHARED\Report.xls) or a UNC path
// (\\FS1\DATA\SHARED\Report.xls).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "context.h"
#include "core/servers.h"

namespace varnook::cli {

// A file argument taken apart without asking the client. Texts are in the workstation's code
// page. A drive path keeps its letter's number and the path below the drive's root; the other
// forms name the server and the volume path ("DATA:\SHARED\Report.xls").
struct FileArgument {
    enum class Form { Drive, NetWare, Unc } form = Form::Drive;
    int drive = 0;           // A = 1 (drive paths)
    std::string folder;      // "F:\DATA" (drive paths): the browser's folder path
    std::string fileName;    // "Report.xls" (drive paths)
    std::string server;      // NetWare and UNC paths
    std::string volumePath;  // NetWare and UNC paths
};

// Takes a file argument apart; a text in none of the three forms, or one that names no file, is
// a usage error. "/" may stand for "\" everywhere.
FileArgument ParseFileArgument(const std::string& text);

// A file on a server: the connection reference that reaches it and its volume path.
struct FileTarget {
    std::string server;  // code page
    uint32_t connRef = 0;
    std::string volumePath;  // code page, "DATA:\SHARED\Report.xls"
};

// Resolves a file argument (UTF-8) through the client: a drive path through the drive's mapping,
// every form to the first connection to its server. A drive that is not a NetWare drive, or a
// server the workstation has no connection to, is not found.
FileTarget ResolveFile(Context& ctx, const std::string& argument);

// The first row for the server: its exact name first, else the same name in other case (NetWare
// names are case-insensitive). nullptr when there is none.
const ServerRow* FindServer(const std::vector<ServerRow>& rows, const std::string& name);

// The server a SERVER argument (UTF-8) names, with the reference of the first connection to it.
ServerRow ResolveServer(Context& ctx, const std::string& argument);

}  // namespace varnook::cli
