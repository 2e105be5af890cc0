// The sub-commands of `varnook-cli volume`, each a late-bound script over the volume control's
// objects (volume_objects.h): queries in commands_volume.cpp, changes in
// commands_volume_actions.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "volume_objects.h"
#include "volume_text.h"

namespace varnook::cli {

// What the volume commands are given.
struct VolumeArgs {
    std::string path;                  // PATH, VOLUME or DIR: a full name
    std::string name;                  // OBJECT, USER or NAME
    std::string value;                 // RIGHTS, KB|none, or DEST
    std::vector<std::string> changes;  // attrib's +RO / -RO ...
    bool deleted = false;              // ls --deleted
    std::string id;                    // --id N
    std::string newName;               // --as NEW
};

void AddVolumeQueries(CLI::App* volume, Commands& commands, std::shared_ptr<VolumeArgs> args);
void AddVolumeActions(CLI::App* volume, Commands& commands, std::shared_ptr<VolumeArgs> args);

// The positional argument PATH (a full name) the commands share.
void AddFullNameArgument(CLI::App* sub, std::string& path, const std::string& name,
                         const std::string& description);

// The deleted files of a directory as `ls --deleted` numbers them (from 1, oldest first).
struct DeletedFile {
    int32_t number;
    VolumeObject entry;
    std::string name;
};
std::vector<DeletedFile> DeletedFiles(const VolumeObject& directory);

// The rights an NWRights object holds.
RightsSet RightsOf(const VolumeObject& rights);

// The attributes of an entry that are set, as their codes ("RO SH"); with `file` also those of
// its NWFile.
std::string AttributesText(const VolumeObject& entry, const VolumeObject* file);

}  // namespace varnook::cli
