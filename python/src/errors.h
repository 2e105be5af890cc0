// varnook.DispatchError: a failure of a dispatch call, as the object raised it or as the runtime
// answered, carrying the object's code, description, source and help context.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common.h"

namespace varnook::python {

// The code of calls made on an object from a thread other than the one that made it (what COM
// answers across apartments).
inline constexpr HRESULT RPC_E_WRONG_THREAD = vnk::win::hr(0x8001010E);

// Creates the exception class and adds it to the module as DispatchError.
void addDispatchError(py::module_& module);

// Throws DispatchError for a failed Invoke: what the object raised (DISP_E_EXCEPTION), or the
// runtime's answer described with `context` (the member, the argument at fault).
[[noreturn]] void throwInvokeError(HRESULT hr, const ExcepInfo& raised, const std::string& context);
// Throws DispatchError with a code and description of the module's own (source "varnook").
[[noreturn]] void throwDispatchError(HRESULT code, const std::string& description);

// The runtime's text for an HRESULT ("Type mismatch"); "Error 0x80004005" for one it does not
// know.
std::string resultText(HRESULT hr);

}  // namespace varnook::python
