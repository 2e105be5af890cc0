// The preferences' string store: the registry store class clsRegwick, created by its ProgID.
#include <optional>
#include <string>

#include "frmabout.h"
#include "startup.h"

namespace varnook {

std::unique_ptr<StringStore> CreateRegwickStore() {
    throw AppError{429, "ActiveX component can't create object"};
}

std::optional<std::string> ReadMachineString(const std::string&, const std::string&) {
    return std::nullopt;
}

}  // namespace varnook
