// varnook.Object: a late-bound object of the component runtime, as a script host holds it.
//
// Attribute reads and writes are property gets and puts, calls of its methods are method calls,
// all by dispatch identifier through IDispatch::Invoke; obj(...) and obj[...] call the default
// member (DISPID_VALUE), `for x in obj` walks _NewEnum, len(obj) reads Count. An object whose
// type information names its interface is an instance of that interface's class (members.h),
// whose descriptors carry the help strings; other objects are plain varnook.Object and find
// their members by name alone.
//
// An object belongs to the thread that made it; using it from another thread raises
// DispatchError (RPC_E_WRONG_THREAD). It holds one reference to the object and gives it back
// when Python frees it.
#pragma once

#include "common.h"

namespace varnook::python {

struct Proxy {
    PyObject ob_base;
    IDispatch* dispatch;  // one reference
    unsigned long owner;  // the thread that made it
};

void addObjectType(py::module_& module);
PyTypeObject* objectType();
bool isProxy(py::handle object);

// A new Python object for a dispatch object (None for a null one), of its interface's class.
py::object wrapDispatch(IDispatch* object);

// Throws DispatchError (RPC_E_WRONG_THREAD) unless the current thread is `owner`.
void requireOwner(unsigned long owner);

// The type information of the object, or null when it has none.
const InterfaceInfo* typeInfoOf(IDispatch* object);

}  // namespace varnook::python
