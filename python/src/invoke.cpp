#include "invoke.h"

#include "convert.h"
#include "errors.h"
#include "platform/text.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

bool byReference(const MemberInfo* info, std::size_t i) {
    return info != nullptr && i < info->params.size() && (info->params[i].vt & VT_BYREF) != 0;
}

std::string memberName(const CallTarget& t) {
    if (t.name != nullptr) {
        const char* name = PyUnicode_AsUTF8(t.name);
        if (name != nullptr) {
            return name;
        }
        PyErr_Clear();
    }
    return t.info != nullptr ? vnk::text::utf16ToUtf8(t.info->name) : "the default member";
}

std::string parameterText(const CallTarget& t, unsigned index) {
    std::string text = "argument " + std::to_string(index + 1);
    if (t.info != nullptr && index < t.info->params.size() && !t.info->params[index].name.empty()) {
        text += " (" + vnk::text::utf16ToUtf8(t.info->params[index].name) + ")";
    }
    return text + " of " + memberName(t);
}

// What a failed call was about, for the runtime's answers.
std::string failureContext(HRESULT hr, const CallTarget& t, unsigned argErr, std::size_t given) {
    switch (hr) {
        case DISP_E_TYPEMISMATCH:
        case DISP_E_OVERFLOW:
        case DISP_E_PARAMNOTOPTIONAL:
            return parameterText(t, argErr);
        case DISP_E_BADPARAMCOUNT: {
            std::string text = memberName(t) + " was given " + std::to_string(given) + " argument" +
                               (given == 1 ? "" : "s");
            if (t.info != nullptr) {
                std::size_t required = 0;
                for (const ParamInfo& p : t.info->params) {
                    required += (p.flags & PARAMFLAG_FOPT) == 0 ? 1 : 0;
                }
                const std::size_t total = t.info->params.size();
                text += "; it takes " + std::to_string(required) +
                        (required == total ? "" : " to " + std::to_string(total));
            }
            return text;
        }
        default:
            return memberName(t);
    }
}

std::size_t parameterNamed(const MemberInfo& info, PyObject* keyword) {
    const std::u16string wanted = lowerAscii(fromPyStr(keyword));
    for (std::size_t i = 0; i < info.params.size(); ++i) {
        if (lowerAscii(info.params[i].name) == wanted) {
            return i;
        }
    }
    return info.params.size();
}

py::object call(Proxy* self, const CallTarget& t, std::vector<Variant>& values,
                std::vector<bool>& given) {
    // By-reference parameters go as references to the values, which receive what comes back.
    std::vector<Variant> passed(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        passed[i] = byReference(t.info, i) && given[i] ? Variant::byRef(values[i]) : values[i];
    }
    const DISPID putId = DISPID_PROPERTYPUT;
    DispParams params{passed, {}};
    if ((t.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        params.named = std::span<const DISPID>(&putId, 1);
    }
    Variant result;
    ExcepInfo raised;
    unsigned argErr = 0;
    const HRESULT hr = self->dispatch->Invoke(t.id, t.flags, params, &result, &raised, &argErr);
    if (FAILED(hr)) {
        throwInvokeError(hr, raised, failureContext(hr, t, argErr, values.size()));
    }
    py::object value = toPython(result);
    bool anyByRef = false;
    for (std::size_t i = 0; t.info != nullptr && i < t.info->params.size(); ++i) {
        anyByRef = anyByRef || byReference(t.info, i);
    }
    if (!anyByRef) {
        return value;
    }
    py::list out;
    out.append(value);
    for (std::size_t i = 0; i < t.info->params.size(); ++i) {
        if (byReference(t.info, i)) {
            out.append(i < values.size() && given[i] ? toPython(values[i]) : py::none());
        }
    }
    return py::tuple(out);
}

}  // namespace

py::object invokeMember(Proxy* self, const CallTarget& t, PyObject* args, PyObject* kwargs) {
    requireOwner(self->owner);
    const Py_ssize_t positional = args != nullptr ? PyTuple_GET_SIZE(args) : 0;
    std::vector<Variant> values(static_cast<std::size_t>(positional));
    std::vector<bool> given(values.size(), true);
    for (Py_ssize_t i = 0; i < positional; ++i) {
        const auto at = static_cast<std::size_t>(i);
        values[at] = fromPython(PyTuple_GET_ITEM(args, i));
        given[at] = !values[at].isMissing();
    }
    if (kwargs != nullptr && PyDict_GET_SIZE(kwargs) > 0) {
        if (t.info == nullptr) {
            throwPython(PyExc_TypeError, memberName(t) +
                                             " has no type information to name its parameters; "
                                             "pass the arguments by position");
        }
        PyObject* key = nullptr;
        PyObject* value = nullptr;
        Py_ssize_t pos = 0;
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            const std::size_t at = parameterNamed(*t.info, key);
            if (at == t.info->params.size()) {
                throwPython(PyExc_TypeError, memberName(t) + " has no parameter named " +
                                                 py::str(key).cast<std::string>());
            }
            if (at < values.size() && given[at]) {
                throwPython(PyExc_TypeError, memberName(t) + " was given " +
                                                 py::str(key).cast<std::string>() + " twice");
            }
            if (at >= values.size()) {
                values.resize(at + 1, Variant::missing());
                given.resize(at + 1, false);
            }
            values[at] = fromPython(value);
            given[at] = !values[at].isMissing();
        }
    }
    return call(self, t, values, given);
}

py::object getMember(Proxy* self, DISPID id, PyObject* name) {
    requireOwner(self->owner);
    std::vector<Variant> none;
    std::vector<bool> given;
    return call(self, CallTarget{id, DISPATCH_PROPERTYGET, nullptr, name}, none, given);
}

void putMember(Proxy* self, DISPID id, PyObject* name, const std::vector<py::handle>& indices,
               py::handle value) {
    requireOwner(self->owner);
    std::vector<Variant> values;
    values.reserve(indices.size() + 1);
    for (py::handle index : indices) {
        values.push_back(fromPython(index));
    }
    values.push_back(fromPython(value));
    std::vector<bool> given(values.size(), true);
    call(self, CallTarget{id, DISPATCH_PROPERTYPUT, nullptr, name}, values, given);
}

bool dispatchIdOf(IDispatch* object, PyObject* name, DISPID& id) {
    const std::u16string text = fromPyStr(name);
    const std::u16string_view view = text;
    return SUCCEEDED(object->GetIDsOfNames(&view, 1, &id));
}

}  // namespace varnook::python
