#include "common.h"

namespace varnook::python {

py::str toPyStr(std::u16string_view text) {
    bool surrogates = false;
    for (const char16_t c : text) {
        surrogates = surrogates || (c >= 0xD800 && c <= 0xDFFF);
    }
    // Text without surrogates is its own code points (the common case, and the quick one).
    int littleEndian = -1;  // as char16_t is here; a byte order mark stays a character
    PyObject* s = surrogates ? PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                                                     static_cast<Py_ssize_t>(text.size() * 2),
                                                     "surrogatepass", &littleEndian)
                             : PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, text.data(),
                                                         static_cast<Py_ssize_t>(text.size()));
    if (s == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(s);
}

std::u16string fromPyStr(py::handle text) {
    PyObject* s = text.ptr();
    if (!PyUnicode_Check(s)) {
        throwPython(PyExc_TypeError, std::string("expected a str, got ") + Py_TYPE(s)->tp_name);
    }
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    const int kind = PyUnicode_KIND(s);
    const void* data = PyUnicode_DATA(s);
    std::u16string out;
    out.reserve(static_cast<std::size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        const Py_UCS4 c = PyUnicode_READ(kind, data, i);
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::u16string lowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        }
    }
    return out;
}

void throwPython(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

}  // namespace varnook::python
