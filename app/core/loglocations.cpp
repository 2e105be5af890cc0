#include "core/loglocations.h"

#include "core/paths.h"

namespace varnook {

LogLocations DecideLogLocations(const std::string& programFolder) {
    return {JoinLocal(programFolder, "Varnook.log"), JoinLocal(programFolder, "varnook output.log"),
            programFolder};
}

}  // namespace varnook
