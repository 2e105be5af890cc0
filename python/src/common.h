// What every part of the varnook Python module shares: the Python and pybind11 headers, the
// component runtime, text conversion between UTF-16 and Python strings, and the guard that turns
// C++ exceptions into Python errors at the edge of a type slot.
#pragma once

#include <Python.h>
#include <pybind11/pybind11.h>

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/dispatch.h"

namespace varnook::python {

namespace py = pybind11;

using vnk::com::DISPID;
using vnk::com::ExcepInfo;
using vnk::com::IDispatch;
using vnk::com::InterfaceInfo;
using vnk::com::MemberInfo;
using vnk::com::Variant;
using vnk::win::HRESULT;

// A UTF-16 text as a Python str (lone surrogates kept, as the variant may hold them).
py::str toPyStr(std::u16string_view text);
// A Python str as UTF-16 text; throws TypeError for anything else.
std::u16string fromPyStr(py::handle text);
// Lower-case ASCII letters, for the case-insensitive member names of dispatch interfaces.
std::u16string lowerAscii(std::u16string_view text);

// Runs `body` inside a type slot: a Python error thrown as py::error_already_set is restored,
// other C++ exceptions become MemoryError or SystemError, and `failed` is answered instead.
template <class R, class F>
R guarded(R failed, F&& body) {
    try {
        return body();
    } catch (py::error_already_set& e) {
        e.restore();
    } catch (const py::builtin_exception& e) {
        e.set_error();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    }
    return failed;
}

// Sets a Python error of `type` and throws it on as py::error_already_set.
[[noreturn]] void throwPython(PyObject* type, const std::string& message);

// The thread a Python object was made on.
inline unsigned long currentThread() {
    return PyThread_get_thread_ident();
}

}  // namespace varnook::python
