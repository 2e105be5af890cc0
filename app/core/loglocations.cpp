#include "core/loglocations.h"

#include "core/paths.h"

namespace varnook {

LogLocations DecideLogLocations(const std::string& logFolder) {
    return {JoinLocal(logFolder, "Varnook.log"), JoinLocal(logFolder, "varnook output.log"),
            logFolder};
}

}  // namespace varnook
