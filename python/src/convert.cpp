#include "convert.h"

#include <datetime.h>

#include <climits>
#include <cmath>
#include <vector>

#include "enumerator.h"
#include "proxy.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

PyObject* g_missing = nullptr;  // varnook.Missing, kept for the life of the process

PyObject* missingRepr(PyObject*) {
    return PyUnicode_FromString("varnook.Missing");
}

// Arrays nested deeper than this are refused rather than followed (a list holding itself).
constexpr int kMaxDepth = 32;

py::object dateToPython(Date date) {
    if (!std::isfinite(date.value)) {
        throwPython(PyExc_ValueError, "the date is not a number");
    }
    const Date::Parts p = date.parts();
    PyObject* d = PyDateTime_FromDateAndTime(p.year, p.month, p.day, p.hour, p.minute, p.second, 0);
    if (d == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::object>(d);
}

Variant dateFromPython(py::handle value) {
    int hour = 0, minute = 0, second = 0;
    if (PyDateTime_Check(value.ptr())) {
        if (PyDateTime_DATE_GET_TZINFO(value.ptr()) != Py_None) {
            throwPython(PyExc_ValueError,
                        "automation dates are local times without a time zone; give a datetime "
                        "without tzinfo");
        }
        hour = PyDateTime_DATE_GET_HOUR(value.ptr());
        minute = PyDateTime_DATE_GET_MINUTE(value.ptr());
        second = PyDateTime_DATE_GET_SECOND(value.ptr());
    }
    const auto date =
        Date::fromParts(PyDateTime_GET_YEAR(value.ptr()), PyDateTime_GET_MONTH(value.ptr()),
                        PyDateTime_GET_DAY(value.ptr()), hour, minute, second);
    if (!date) {
        throwPython(PyExc_ValueError, "the date has no automation form");
    }
    return Variant(*date);
}

py::object arrayToPython(const SafeArray& array) {
    bool allBytes = array.lowerBound == 0;
    for (const Variant& e : array.elements) {
        allBytes = allBytes && e.vt() == VT_UI1;
        if (!allBytes) {
            break;
        }
    }
    if (allBytes) {
        std::string bytes(array.elements.size(), '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(array.elements[i].intVal());
        }
        return py::bytes(bytes);
    }
    py::list list(array.elements.size());
    for (std::size_t i = 0; i < array.elements.size(); ++i) {
        list[i] = toPython(array.elements[i]);
    }
    return list;
}

py::object unknownToPython(IUnknown* unknown) {
    if (unknown == nullptr) {
        return py::none();
    }
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(unknown->QueryInterface(IDispatch::iid, dispatch.putVoid())) && dispatch) {
        return wrapDispatch(dispatch.get());
    }
    ComPtr<IEnumVARIANT> enumerator;
    if (SUCCEEDED(unknown->QueryInterface(IEnumVARIANT::iid, enumerator.putVoid())) && enumerator) {
        return wrapEnumerator(enumerator.get());
    }
    throwPython(PyExc_TypeError,
                "the object has neither a dispatch interface nor a variant "
                "enumerator, so Python cannot use it");
}

Variant intFromPython(py::handle value) {
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (n == -1 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    if (overflow == 0) {
        if (n >= INT32_MIN && n <= INT32_MAX) {
            return Variant(static_cast<std::int32_t>(n));
        }
        return Variant(static_cast<std::int64_t>(n));
    }
    if (overflow > 0) {
        const unsigned long long u = PyLong_AsUnsignedLongLong(value.ptr());
        if (!(u == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr)) {
            return Variant(static_cast<std::uint64_t>(u));
        }
        PyErr_Clear();
    }
    throwPython(PyExc_OverflowError,
                "the integer does not fit in 64 bits, the widest automation integer");
}

Variant bytesFromPython(const char* data, Py_ssize_t size) {
    std::vector<Variant> elements;
    elements.reserve(static_cast<std::size_t>(size));
    for (Py_ssize_t i = 0; i < size; ++i) {
        elements.emplace_back(static_cast<std::uint8_t>(data[i]));
    }
    return Variant::array(std::move(elements), 0);
}

Variant fromPythonAt(py::handle value, int depth);

Variant sequenceFromPython(py::handle value, int depth) {
    if (depth >= kMaxDepth) {
        throwPython(PyExc_ValueError, "lists nested more than " + std::to_string(kMaxDepth) +
                                          " deep have no automation form");
    }
    py::sequence items = py::reinterpret_borrow<py::sequence>(value);
    std::vector<Variant> elements;
    elements.reserve(items.size());
    for (py::handle item : items) {
        elements.push_back(fromPythonAt(item, depth + 1));
    }
    return Variant::array(std::move(elements), 0);
}

Variant fromPythonAt(py::handle value, int depth) {
    PyObject* o = value.ptr();
    if (o == Py_None) {
        return Variant::null();
    }
    if (o == g_missing) {
        return Variant::missing();
    }
    if (PyBool_Check(o)) {
        return Variant(o == Py_True);
    }
    if (PyLong_Check(o)) {
        return intFromPython(value);
    }
    if (PyFloat_Check(o)) {
        return Variant(PyFloat_AS_DOUBLE(o));
    }
    if (PyUnicode_Check(o)) {
        return Variant(fromPyStr(value));
    }
    if (isProxy(value)) {
        const Proxy* p = reinterpret_cast<const Proxy*>(o);
        requireOwner(p->owner);
        return Variant(p->dispatch);
    }
    if (PyDateTime_Check(o) || PyDate_Check(o)) {
        return dateFromPython(value);
    }
    if (PyBytes_Check(o)) {
        return bytesFromPython(PyBytes_AS_STRING(o), PyBytes_GET_SIZE(o));
    }
    if (PyByteArray_Check(o)) {
        return bytesFromPython(PyByteArray_AS_STRING(o), PyByteArray_GET_SIZE(o));
    }
    if (PyMemoryView_Check(o)) {
        if (PyMemoryView_GET_BUFFER(o)->itemsize != 1) {
            throwPython(PyExc_TypeError, "only a memoryview of bytes goes as an array of bytes");
        }
        py::object bytes = py::reinterpret_steal<py::object>(PyBytes_FromObject(o));
        if (!bytes) {
            throw py::error_already_set();
        }
        return fromPythonAt(bytes, depth);
    }
    if (PyList_Check(o) || PyTuple_Check(o)) {
        return sequenceFromPython(value, depth);
    }
    if (IEnumVARIANT* e = enumeratorOf(value)) {
        return Variant::unknown(e);
    }
    if (PyIndex_Check(o)) {  // integers of other libraries
        return intFromPython(py::reinterpret_steal<py::object>(PyNumber_Index(o)));
    }
    throwPython(PyExc_TypeError,
                std::string("a value of type ") + Py_TYPE(o)->tp_name +
                    " cannot be passed to a dispatch member; give None, bool, int, float, str, "
                    "datetime, bytes, a list or a varnook object");
}

}  // namespace

void addConversions(py::module_& module) {
    PyDateTime_IMPORT;
    if (PyDateTimeAPI == nullptr) {
        throw py::error_already_set();
    }
    static PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>("The type of varnook.Missing.")},
                                  {Py_tp_repr, reinterpret_cast<void*>(missingRepr)},
                                  {0, nullptr}};
    static PyType_Spec typeSpec{"varnook.MissingType", static_cast<int>(sizeof(PyObject)), 0,
                                Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
    py::object type = py::reinterpret_steal<py::object>(PyType_FromSpec(&typeSpec));
    if (!type) {
        throw py::error_already_set();
    }
    auto* missingType = reinterpret_cast<PyTypeObject*>(type.ptr());
    g_missing = missingType->tp_alloc(missingType, 0);
    if (g_missing == nullptr) {
        throw py::error_already_set();
    }
    module.add_object("Missing", py::handle(g_missing));
}

py::object toPython(const Variant& in) {
    const Variant& v = in.deref();
    switch (v.vt()) {
        case VT_EMPTY:
        case VT_NULL:
            return py::none();
        case VT_BOOL:
            return py::bool_(v.boolVal());
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
            return py::reinterpret_steal<py::object>(PyLong_FromLongLong(v.intVal()));
        case VT_UI8:
            return py::reinterpret_steal<py::object>(
                PyLong_FromUnsignedLongLong(static_cast<std::uint64_t>(v.intVal())));
        case VT_R4:
        case VT_R8:
            return py::float_(v.realVal());
        case VT_DATE:
            return dateToPython(Date{v.realVal()});
        case VT_BSTR:
            return toPyStr(v.bstr());
        case VT_DISPATCH:
            return wrapDispatch(v.dispatch());
        case VT_UNKNOWN:
            return unknownToPython(v.unknownVal());
        case VT_ERROR:
            if (v.isMissing()) {
                return py::reinterpret_borrow<py::object>(g_missing);
            }
            return py::int_(v.scode());
        default:
            break;
    }
    if (v.isArray() && v.arrayVal() != nullptr) {
        return arrayToPython(*v.arrayVal());
    }
    throwPython(PyExc_TypeError, "a value of type " + vartypeName(v.vt()) + " has no Python form");
}

Variant fromPython(py::handle value) {
    return fromPythonAt(value, 0);
}

}  // namespace varnook::python
