// The NetWare drive list and the folder listing of the file browser.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnook {

// The workstation's drives as the system's drive list shows them, and where their files lie.
// Texts are in the workstation's code page; local paths are the host's own.
class Workstation {
public:
    virtual ~Workstation() = default;
    // Every drive, in letter order, as "c: [label]" or "f: [\\FS1\SYS\PUBLIC]".
    virtual std::vector<std::string> DriveListTexts() = 0;
    // The local folder behind a browser path such as "F:\DATA\SUB", when it exists.
    virtual std::optional<std::string> LocalFolder(const std::string& dosPath) = 0;
    // The drive number (A = 1) under which a local folder lies: the NetWare drive whose mapped
    // folder holds it, else 3 (C:, the workstation's own disk).
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

// The files of a local folder: names of entries that are not folders (hidden files included),
// sorted without regard to case. A folder that cannot be read gives no names.
std::vector<std::string> ListFolderFiles(const std::string& localFolder);

// The sub-folders of a local folder, sorted without regard to case.
std::vector<std::string> ListSubFolders(const std::string& localFolder);

// The drive number (A = 1) of a drive text's first letter, 0 when it is not a letter.
int DriveNumber(const std::string& text);

}  // namespace varnook
