// The NetWare drive list and the folder listing of the file browser.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnook {

// The folders and files of one folder of a drive, each sorted without regard to case. Names are
// in the workstation's code page.
struct FolderListing {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// The workstation's drives as the system's drive list shows them, and what their folders hold.
// Texts are in the workstation's code page; local paths are the host's own.
class Workstation {
public:
    virtual ~Workstation() = default;
    // Every drive, in letter order, as "c: [label]" or "f: [\\FS1\SYS\PUBLIC]".
    virtual std::vector<std::string> DriveListTexts() = 0;
    // The folders and files of a browser path such as "F:\DATA\SUB", as the drive's server lists
    // them; nullopt when the folder cannot be listed (no such folder, the server unreachable).
    virtual std::optional<FolderListing> ListFolder(const std::string& dosPath) = 0;
    // The drive number (A = 1) under which a local folder lies: the NetWare drive whose mapped
    // folder on this machine holds it, else 3 (C:, the workstation's own disk). A drive with no
    // folder on this machine (one on a server reached over the network) holds no local folder.
    virtual int DriveNumberOfLocalPath(const std::string& localPath) = 0;
};

// Builds the entries of the NetWare drives: for d = 1..26 whose drive information answers 0,
// "<LETTER>:   <label>", the label being the drive list's text for that letter without its
// first three characters (empty when the drive list does not show the drive).
std::vector<std::string> EnumerateDrives(const std::function<int(int drive)>& driveInformation,
                                         const std::vector<std::string>& driveListTexts);

// The drive list after a refresh: entries already shown stay where they are, new ones are
// appended, stale ones removed. The selection keeps its index when that index still exists
// (-1, no selection, stays -1), otherwise moves to the last entry; -1 when the list is empty.
struct DriveListUpdate {
    std::vector<std::string> entries;
    int selected = -1;
};
DriveListUpdate MergeDriveList(const std::vector<std::string>& shown, int selected,
                               const std::vector<std::string>& found);

// Sorts names without regard to case (names equal but for case in byte order, so the order is
// always the same).
void SortWithoutRegardToCase(std::vector<std::string>& names);

// The drive number (A = 1) of a drive text's first letter, 0 when it is not a letter.
int DriveNumber(const std::string& text);

}  // namespace varnook
