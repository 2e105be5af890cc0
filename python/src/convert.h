// Automation values as Python values and back.
//
//   variant                                    Python
//   VT_EMPTY, VT_NULL                          None (None goes back as VT_NULL)
//   VT_BOOL                                    bool
//   VT_I1 ... VT_UI8                           int (an int goes back as VT_I4 when it fits, else
//                                              VT_I8 or VT_UI8; beyond 64 bits: OverflowError)
//   VT_R4, VT_R8                               float (back as VT_R8)
//   VT_DATE                                    datetime.datetime, to the second (a date goes
//                                              back as its midnight; no time zones)
//   VT_BSTR (UTF-16)                           str
//   VT_DISPATCH                                a late-bound varnook object (nothing: None)
//   VT_UNKNOWN                                 the late-bound object when it has IDispatch, an
//                                              iterator when it is a variant enumerator
//   VT_ERROR                                   varnook.Missing for a missing argument (which
//                                              it passes), else its code
//   array of variants, lower bound 0, every    bytes (bytes, bytearray and memoryview go back
//   element VT_UI1                             so)
//   any other array                            list (list and tuple go back as arrays, lower
//                                              bound 0)
//   by reference                               what it refers to
#pragma once

#include "common.h"

namespace varnook::python {

// Prepares the conversions (the datetime C API) and adds varnook.Missing, the value that leaves
// an optional parameter out; once, at import.
void addConversions(py::module_& module);

// A variant as a new Python value. Throws py::error_already_set.
py::object toPython(const Variant& value);
// A Python value as a variant. Throws py::error_already_set (TypeError for a value that has no
// automation form, OverflowError, ValueError) and DispatchError for an object of another thread.
Variant fromPython(py::handle value);

}  // namespace varnook::python
