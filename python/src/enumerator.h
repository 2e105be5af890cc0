// varnook.Enumerator: a Python iterator over a variant enumerator (IEnumVARIANT), what
// `for x in collection` walks. It belongs to the thread that made it, as objects do.
#pragma once

#include "common.h"

namespace varnook::python {

void addEnumeratorType(py::module_& module);

// A new iterator over the enumerator (which it keeps a reference to).
py::object wrapEnumerator(vnk::com::IEnumVARIANT* enumerator);
// The enumerator of a varnook.Enumerator; null for anything else.
vnk::com::IEnumVARIANT* enumeratorOf(py::handle object);

}  // namespace varnook::python
