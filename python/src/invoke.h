// Calling a dispatch member with Python arguments.
#pragma once

#include <vector>

#include "common.h"
#include "proxy.h"

namespace varnook::python {

// One member to call.
struct CallTarget {
    DISPID id = 0;
    vnk::win::WORD flags = vnk::com::DISPATCH_METHOD | vnk::com::DISPATCH_PROPERTYGET;
    const MemberInfo* info = nullptr;  // its type information, when known
    PyObject* name = nullptr;          // its name (a str) for messages; null: the default member
};

// Calls the member with positional arguments (a tuple, or null) and keyword arguments (a dict,
// or null; named after the parameters of the type information). Answers the result, or the
// tuple (result, value of each by-reference parameter...) when the type information lists
// parameters passed by reference. varnook.Missing, and a parameter that keywords skip, is left
// out.
py::object invokeMember(Proxy* self, const CallTarget& target, PyObject* args, PyObject* kwargs);

// Reads a property without arguments.
py::object getMember(Proxy* self, DISPID id, PyObject* name);
// Writes a property: the indices (none for a plain property) and the new value.
void putMember(Proxy* self, DISPID id, PyObject* name, const std::vector<py::handle>& indices,
               py::handle value);

// The dispatch identifier of a member name through GetIDsOfNames; false when the object does not
// know the name.
bool dispatchIdOf(IDispatch* object, PyObject* name, DISPID& id);

}  // namespace varnook::python
