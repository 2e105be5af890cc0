#include "errors.h"

#include <cinttypes>
#include <cstdio>

#include "platform/text.h"

namespace varnook::python {
namespace {

using namespace vnk::win;

PyObject* g_dispatchError = nullptr;  // the class; the module holds it for the process's life

constexpr const char* kDoc = R"(A dispatch call failed.

code         the object's code: a NetWare completion code or one of the volume control's own
             (0xCE15, ...), or the runtime's HRESULT (0x80020005 for a type mismatch)
description  the object's text for it ("Control not initialized.")
source       who raised it ("" when the object names nobody)
helpcontext  the help context the object gave (-1 for the volume control)
hresult      what the call answered (0x80020009 when the object raised the error))";

// Codes read as unsigned numbers, the way they are written: 0xCE15, 0x80020005.
std::int64_t unsignedCode(std::int32_t code) {
    return code < 0 ? static_cast<std::int64_t>(static_cast<std::uint32_t>(code)) : code;
}

std::string hex(std::int64_t code) {
    char text[24];
    std::snprintf(text, sizeof text, code <= 0xFFFF ? "0x%04" PRIX64 : "0x%08" PRIX64,
                  static_cast<std::uint64_t>(code));
    return text;
}

[[noreturn]] void throwError(std::int64_t code, const std::string& description,
                             const std::string& source, std::int32_t helpContext, HRESULT hr) {
    const py::handle type(g_dispatchError);
    py::object error = type(description + " (" + hex(code) + ")");
    error.attr("code") = code;
    error.attr("description") = description;
    error.attr("source") = source;
    error.attr("helpcontext") = helpContext;
    error.attr("hresult") = unsignedCode(hr);
    PyErr_SetObject(g_dispatchError, error.ptr());
    throw py::error_already_set();
}

}  // namespace

void addDispatchError(py::module_& module) {
    g_dispatchError = PyErr_NewExceptionWithDoc("varnook.DispatchError", kDoc, nullptr, nullptr);
    if (g_dispatchError == nullptr) {
        throw py::error_already_set();
    }
    module.add_object("DispatchError", py::handle(g_dispatchError));
}

void throwInvokeError(HRESULT hr, const ExcepInfo& raised, const std::string& context) {
    if (hr != DISP_E_EXCEPTION) {
        throwError(unsignedCode(hr), resultText(hr) + (context.empty() ? "" : ": " + context), "",
                   0, hr);
    }
    const std::int32_t code = raised.scode != 0 ? raised.scode : raised.wCode;
    std::string description = vnk::text::utf16ToUtf8(raised.description);
    if (description.empty()) {
        description = resultText(code);
    }
    throwError(unsignedCode(code), description, vnk::text::utf16ToUtf8(raised.source),
               raised.helpContext, hr);
}

void throwDispatchError(HRESULT code, const std::string& description) {
    throwError(unsignedCode(code), description, "varnook", 0, code);
}

std::string resultText(HRESULT hr) {
    switch (hr) {
        case DISP_E_UNKNOWNNAME:
            return "Unknown name";
        case DISP_E_MEMBERNOTFOUND:
            return "Member not found";
        case DISP_E_PARAMNOTFOUND:
            return "Parameter not found";
        case DISP_E_TYPEMISMATCH:
            return "Type mismatch";
        case DISP_E_NONAMEDARGS:
            return "No named arguments";
        case DISP_E_BADVARTYPE:
            return "Bad variable type";
        case DISP_E_OVERFLOW:
            return "Overflow";
        case DISP_E_BADINDEX:
            return "Invalid index";
        case DISP_E_BADPARAMCOUNT:
            return "Invalid number of parameters";
        case DISP_E_PARAMNOTOPTIONAL:
            return "Parameter not optional";
        case CTL_E_SETNOTSUPPORTED:
            return "Set not supported (read-only property)";
        case CTL_E_GETNOTSUPPORTED:
            return "Get not supported (write-only property)";
        case E_NOTIMPL:
            return "Not implemented";
        case E_NOINTERFACE:
            return "No such interface supported";
        case E_POINTER:
            return "Invalid pointer";
        case E_FAIL:
            return "Unspecified error";
        case E_UNEXPECTED:
            return "Catastrophic failure";
        case E_OUTOFMEMORY:
            return "Out of memory";
        case E_INVALIDARG:
            return "Invalid argument";
        case REGDB_E_CLASSNOTREG:
            return "Class not registered";
        case CO_E_CLASSSTRING:
            return "Invalid class string";
        case CO_E_DLLNOTFOUND:
            return "The library of the class cannot be loaded";
        case CO_E_ERRORINDLL:
            return "The library of the class has no class factory";
        case RPC_E_WRONG_THREAD:
            return "The object belongs to another thread";
        default:
            return "Error " + hex(unsignedCode(hr));
    }
}

}  // namespace varnook::python
