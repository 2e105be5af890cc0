// The Python classes of dispatch interfaces, made from their type information, and the
// descriptors that stand for their members.
//
// The class of an interface (INWEntry, _DVolmarra, ...) derives from varnook.Object. Each member
// the type information shows (hidden and restricted ones aside) is a descriptor in it, named as
// the interface names it, with the member's help string as its __doc__:
//   - a property (a read without parameters, a write): reading the attribute gets it, assigning
//     puts it;
//   - a method, or a property read that takes parameters: reading the attribute gives a callable
//     bound to the object, with the parameters' names as its signature.
// So dir() lists the members, help() shows them with their help strings, and completion works.
// Dispatch identifiers come from the object's GetIDsOfNames when the class is made.
#pragma once

#include <optional>

#include "common.h"
#include "invoke.h"

namespace varnook::python {

void addMemberTypes(py::module_& module);

// The class of objects whose type information is `info`, made on first use from the members
// of `info` (named on `sample`) and kept for the life of the process. Borrowed.
PyTypeObject* interfaceClass(const InterfaceInfo& info, IDispatch* sample);

// A callable that calls the member on `self` (a varnook.Object).
py::object boundMember(PyObject* self, const CallTarget& target);

// The dispatch identifier of a member descriptor of an interface class; nullopt for anything
// else (and for null).
std::optional<DISPID> memberId(PyObject* descriptor);

}  // namespace varnook::python
