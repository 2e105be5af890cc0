// The installation step of one user: registers the component libraries that ship beside the
// program's own libraries with that user's registry, and creates the key the program keeps its
// preferences under. The program itself never creates that key; varnook-setup does, once per user.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnook::setup {

// A component library the programs create classes of, and one ProgID of its classes that tells
// whether (and from which file) it is registered.
struct Component {
    std::string file;
    std::string progId;
};

// libregwick.so (the registry string store) and libvolmarra.so (the volume control).
const std::vector<Component>& ShippedComponents();

// The folder of the program's own libraries: the one libplatform was loaded from (lib/ in a build
// tree, lib/<multiarch>/varnook installed).
std::string OwnLibraryFolder();

// The library file the user's registry names for progId's class (the user's own classes first,
// as creation looks them up); empty when the class is not registered.
std::string RegisteredLibrary(const std::string& progId);

struct Result {
    std::vector<std::string> registered;  // libraries registered by this run
    std::vector<std::string> errors;      // what could not be done, in words
    bool keyCreated = false;              // the preferences key did not exist before
};

// Registers each component of libFolder whose class is not registered or names another file, and
// creates the preferences key when it is missing. A component whose file is not in libFolder is
// skipped (a build without windows has no volume control). Changes nothing when all is in place.
Result SetUpUser(const std::string& libFolder, const std::vector<Component>& components);

}  // namespace varnook::setup
