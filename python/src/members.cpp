#include "members.h"

#include <deque>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text.h"
#include "proxy.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

struct PropertyDescr {
    PyObject ob_base;
    PyObject* name;
    PyObject* doc;
    DISPID id;
};

struct MethodDescr {
    PyObject ob_base;
    PyObject* name;
    PyObject* doc;
    DISPID id;
    WORD flags;
    const MemberInfo* info;
};

struct BoundMember {
    PyObject ob_base;
    PyObject* self;
    PyObject* name;  // null: the default member
    PyObject* doc;   // or null
    DISPID id;
    WORD flags;
    const MemberInfo* info;
};

PyTypeObject* g_propertyType = nullptr;
PyTypeObject* g_methodType = nullptr;
PyTypeObject* g_boundType = nullptr;

// Type names as Python knows them, for the help texts.
std::string pythonType(VARTYPE vt) {
    if ((vt & VT_ARRAY) != 0) {
        return "list";
    }
    switch (vt & VT_TYPEMASK) {
        case VT_BSTR:
            return "str";
        case VT_BOOL:
            return "bool";
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_ERROR:
        case VT_USERDEFINED:
            return "int";
        case VT_R4:
        case VT_R8:
            return "float";
        case VT_DATE:
            return "datetime";
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return "object";
        default:
            return "any value";
    }
}

std::string utf8(std::u16string_view s) {
    return vnk::text::utf16ToUtf8(s);
}

py::object text(const std::string& s) {
    return py::str(s);
}

// The signature inspect and help() show: the parameters' names, optional ones defaulting to
// varnook.Missing (what leaves them out); with `self` first for the method of the class. None when
// the type information names no Python signature.
PyObject* signatureOf(const MemberInfo* m, bool withSelf) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        if (m == nullptr) {
            return Py_NewRef(Py_None);
        }
        py::module_ inspect = py::module_::import("inspect");
        py::object parameter = inspect.attr("Parameter");
        py::list parameters;
        if (withSelf) {
            parameters.append(parameter("self", parameter.attr("POSITIONAL_ONLY")));
        }
        py::object missing = py::module_::import("varnook").attr("Missing");
        for (const ParamInfo& p : m->params) {
            py::str name = toPyStr(p.name);
            if (p.name.empty() || PyUnicode_IsIdentifier(name.ptr()) != 1) {
                return Py_NewRef(Py_None);
            }
            parameters.append(parameter(name, parameter.attr("POSITIONAL_OR_KEYWORD"),
                                        py::arg("default") = (p.flags & PARAMFLAG_FOPT) != 0
                                                                 ? missing
                                                                 : parameter.attr("empty")));
        }
        try {
            return inspect.attr("Signature")(parameters).release().ptr();
        } catch (py::error_already_set&) {
            return Py_NewRef(Py_None);  // an optional parameter before a required one
        }
    });
}

std::string methodDoc(const MemberInfo& m) {
    std::string doc = utf8(m.help);
    if (m.resultType != VT_EMPTY) {
        doc +=
            (doc.empty() ? "" : "\n\n") + std::string("Returns ") + pythonType(m.resultType) + ".";
    }
    std::string byRef;
    for (const ParamInfo& p : m.params) {
        if ((p.vt & VT_BYREF) != 0) {
            byRef += (byRef.empty() ? "" : ", ") + utf8(p.name);
        }
    }
    if (!byRef.empty()) {
        doc += (doc.empty() ? "" : "\n\n") + ("Passes " + byRef) +
               " by reference: the call answers the tuple (result, " + byRef + ").";
    }
    return doc;
}

std::string propertyDoc(const MemberInfo* get, const MemberInfo* put) {
    const MemberInfo& m = get != nullptr ? *get : *put;
    const VARTYPE vt = get != nullptr         ? get->resultType
                       : !put->params.empty() ? put->params.back().vt
                                              : VT_VARIANT;
    std::string doc = utf8(m.help);
    doc += (doc.empty() ? "" : "\n\n") + pythonType(vt) +
           (get != nullptr && put != nullptr ? ", read/write"
            : get != nullptr                 ? ", read-only"
                                             : ", write-only");
    return doc;
}

template <class T>
T* allocate(PyTypeObject* type) {
    PyObject* o = type->tp_alloc(type, 0);
    if (o == nullptr) {
        throw py::error_already_set();
    }
    return reinterpret_cast<T*>(o);
}

PyObject* getOrNone(PyObject* value) {
    return Py_NewRef(value != nullptr ? value : Py_None);
}

// ---- DispatchProperty

PyObject* propertyGet(PyObject* descr, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) {
        return Py_NewRef(descr);
    }
    return guarded<PyObject*>(nullptr, [&] {
        auto* d = reinterpret_cast<PropertyDescr*>(descr);
        if (!isProxy(obj)) {
            throwPython(PyExc_TypeError, "a dispatch property needs a varnook object");
        }
        return getMember(reinterpret_cast<Proxy*>(obj), d->id, d->name).release().ptr();
    });
}

int propertySet(PyObject* descr, PyObject* obj, PyObject* value) {
    return guarded(-1, [&] {
        auto* d = reinterpret_cast<PropertyDescr*>(descr);
        if (value == nullptr) {
            throwPython(PyExc_AttributeError, "a member of a dispatch object cannot be deleted");
        }
        if (!isProxy(obj)) {
            throwPython(PyExc_TypeError, "a dispatch property needs a varnook object");
        }
        putMember(reinterpret_cast<Proxy*>(obj), d->id, d->name, {}, value);
        return 0;
    });
}

void propertyDealloc(PyObject* o) {
    auto* d = reinterpret_cast<PropertyDescr*>(o);
    PyTypeObject* type = Py_TYPE(o);
    Py_CLEAR(d->name);
    Py_CLEAR(d->doc);
    type->tp_free(o);
    Py_DECREF(type);
}

PyObject* propertyName(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<PropertyDescr*>(o)->name);
}
PyObject* propertyDocText(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<PropertyDescr*>(o)->doc);
}

// ---- DispatchMethod

CallTarget targetOf(const MethodDescr* d) {
    return CallTarget{d->id, d->flags, d->info, d->name};
}

PyObject* methodGet(PyObject* descr, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) {
        return Py_NewRef(descr);
    }
    return guarded<PyObject*>(nullptr, [&] {
        auto* d = reinterpret_cast<MethodDescr*>(descr);
        py::object bound = boundMember(obj, targetOf(d));
        auto* b = reinterpret_cast<BoundMember*>(bound.ptr());
        b->doc = Py_XNewRef(d->doc);
        return bound.release().ptr();
    });
}

// INWEntry.Move(entry, "NEW"): the method called through the class.
PyObject* methodCall(PyObject* descr, PyObject* args, PyObject* kwargs) {
    return guarded<PyObject*>(nullptr, [&] {
        auto* d = reinterpret_cast<MethodDescr*>(descr);
        if (PyTuple_GET_SIZE(args) == 0 || !isProxy(PyTuple_GET_ITEM(args, 0))) {
            throwPython(PyExc_TypeError, "a dispatch method needs a varnook object first");
        }
        py::object rest =
            py::reinterpret_steal<py::object>(PyTuple_GetSlice(args, 1, PyTuple_GET_SIZE(args)));
        return invokeMember(reinterpret_cast<Proxy*>(PyTuple_GET_ITEM(args, 0)), targetOf(d),
                            rest.ptr(), kwargs)
            .release()
            .ptr();
    });
}

void methodDealloc(PyObject* o) {
    auto* d = reinterpret_cast<MethodDescr*>(o);
    PyTypeObject* type = Py_TYPE(o);
    Py_CLEAR(d->name);
    Py_CLEAR(d->doc);
    type->tp_free(o);
    Py_DECREF(type);
}

PyObject* methodName(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<MethodDescr*>(o)->name);
}
PyObject* methodDocText(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<MethodDescr*>(o)->doc);
}
PyObject* methodSignature(PyObject* o, void*) {
    return signatureOf(reinterpret_cast<MethodDescr*>(o)->info, true);
}

// ---- A member bound to its object

PyObject* boundCall(PyObject* o, PyObject* args, PyObject* kwargs) {
    return guarded<PyObject*>(nullptr, [&] {
        auto* b = reinterpret_cast<BoundMember*>(o);
        return invokeMember(reinterpret_cast<Proxy*>(b->self),
                            CallTarget{b->id, b->flags, b->info, b->name}, args, kwargs)
            .release()
            .ptr();
    });
}

// A bound member answers __get__ with itself, as a method descriptor does; so pydoc documents it
// as a routine.
PyObject* boundGet(PyObject* o, PyObject*, PyObject*) {
    return Py_NewRef(o);
}

PyObject* boundRepr(PyObject* o) {
    auto* b = reinterpret_cast<BoundMember*>(o);
    return PyUnicode_FromFormat("<dispatch member %S of %s object at %p>",
                                b->name != nullptr ? b->name : Py_None, Py_TYPE(b->self)->tp_name,
                                b->self);
}

void boundDealloc(PyObject* o) {
    auto* b = reinterpret_cast<BoundMember*>(o);
    PyTypeObject* type = Py_TYPE(o);
    Py_CLEAR(b->self);
    Py_CLEAR(b->name);
    Py_CLEAR(b->doc);
    type->tp_free(o);
    Py_DECREF(type);
}

PyObject* boundSelf(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<BoundMember*>(o)->self);
}
PyObject* boundName(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<BoundMember*>(o)->name);
}
PyObject* boundDocText(PyObject* o, void*) {
    return getOrNone(reinterpret_cast<BoundMember*>(o)->doc);
}
PyObject* boundSignature(PyObject* o, void*) {
    return signatureOf(reinterpret_cast<BoundMember*>(o)->info, false);
}

PyTypeObject* makeType(PyType_Spec& typeSpec) {
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    return reinterpret_cast<PyTypeObject*>(type);
}

// ---- Interface classes

struct ClassMember {
    std::u16string name;  // as the interface spells it
    DISPID id = 0;
    const MemberInfo* get = nullptr;
    const MemberInfo* put = nullptr;
    const MemberInfo* method = nullptr;
};

// The visible members of an interface by name, in the order the interface lists them, with the
// identifiers the object gives their names.
std::vector<ClassMember> visibleMembers(const InterfaceInfo& info, IDispatch* sample) {
    std::vector<ClassMember> out;
    std::map<std::u16string, std::size_t> byName;
    for (const MemberInfo& m : info.members) {
        if ((m.flags & (FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED)) != 0 || m.name.empty()) {
            continue;
        }
        const std::u16string key = lowerAscii(m.name);
        auto it = byName.find(key);
        if (it == byName.end()) {
            ClassMember c;
            c.name = m.name;
            const std::u16string_view view = m.name;
            if (FAILED(sample->GetIDsOfNames(&view, 1, &c.id))) {
                continue;
            }
            it = byName.emplace(key, out.size()).first;
            out.push_back(std::move(c));
        }
        ClassMember& c = out[it->second];
        if (m.id != c.id) {
            continue;  // another listing of the name, such as Item as the default member
        }
        switch (m.kind) {
            case InvokeKind::PropertyGet:
                c.get = c.get != nullptr ? c.get : &m;
                break;
            case InvokeKind::PropertyPut:
            case InvokeKind::PropertyPutRef:
                c.put = c.put != nullptr ? c.put : &m;
                break;
            case InvokeKind::Method:
                c.method = c.method != nullptr ? c.method : &m;
                break;
        }
    }
    return out;
}

py::object methodDescriptor(const ClassMember& c, const MemberInfo& m, WORD flags) {
    auto* d = allocate<MethodDescr>(g_methodType);
    py::object owner = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(d));
    d->name = toPyStr(c.name).release().ptr();
    d->doc = text(methodDoc(m)).release().ptr();
    d->id = c.id;
    d->flags = flags;
    d->info = &m;
    return owner;
}

py::object propertyDescriptor(const ClassMember& c) {
    auto* d = allocate<PropertyDescr>(g_propertyType);
    py::object owner = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(d));
    d->name = toPyStr(c.name).release().ptr();
    d->doc = text(propertyDoc(c.get, c.put)).release().ptr();
    d->id = c.id;
    return owner;
}

PyTypeObject* makeInterfaceClass(const InterfaceInfo& info, IDispatch* sample) {
    // Type names must outlive their types, which live as long as the process.
    static std::deque<std::string> names;
    names.push_back("varnook." + utf8(info.name));
    static PyType_Slot noSlots[] = {{0, nullptr}};
    PyType_Spec typeSpec{names.back().c_str(), static_cast<int>(sizeof(Proxy)), 0,
                         Py_TPFLAGS_DEFAULT, noSlots};
    py::tuple bases = py::make_tuple(py::handle(reinterpret_cast<PyObject*>(objectType())));
    PyObject* cls = PyType_FromSpecWithBases(&typeSpec, bases.ptr());
    if (cls == nullptr) {
        throw py::error_already_set();
    }
    py::object type = py::reinterpret_steal<py::object>(cls);
    std::string doc = utf8(info.help);
    doc += (doc.empty() ? "" : "\n\n") + std::string("Dispatch interface ") + utf8(info.name) +
           " " + info.iid.toString() + ", late bound.";
    type.attr("__doc__") = doc;
    for (const ClassMember& c : visibleMembers(info, sample)) {
        py::object descriptor;
        if (c.method != nullptr) {
            descriptor = methodDescriptor(c, *c.method, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        } else if (c.get != nullptr && !c.get->params.empty()) {
            descriptor = methodDescriptor(c, *c.get, DISPATCH_PROPERTYGET);
        } else {
            descriptor = propertyDescriptor(c);
        }
        if (PyObject_SetAttr(cls, toPyStr(c.name).ptr(), descriptor.ptr()) != 0) {
            throw py::error_already_set();
        }
    }
    return reinterpret_cast<PyTypeObject*>(type.release().ptr());
}

}  // namespace

void addMemberTypes(py::module_&) {
    static PyGetSetDef propertyGetSet[] = {{"__name__", propertyName, nullptr, nullptr, nullptr},
                                           {"__doc__", propertyDocText, nullptr, nullptr, nullptr},
                                           {nullptr, nullptr, nullptr, nullptr, nullptr}};
    static PyType_Slot propertySlots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(propertyDealloc)},
                                          {Py_tp_descr_get, reinterpret_cast<void*>(propertyGet)},
                                          {Py_tp_descr_set, reinterpret_cast<void*>(propertySet)},
                                          {Py_tp_getset, propertyGetSet},
                                          {0, nullptr}};
    static PyType_Spec propertySpec{
        "varnook.DispatchProperty", static_cast<int>(sizeof(PropertyDescr)), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, propertySlots};
    g_propertyType = makeType(propertySpec);

    static PyGetSetDef methodGetSet[] = {
        {"__name__", methodName, nullptr, nullptr, nullptr},
        {"__doc__", methodDocText, nullptr, nullptr, nullptr},
        {"__signature__", methodSignature, nullptr, nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr, nullptr}};
    static PyType_Slot methodSlots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(methodDealloc)},
                                        {Py_tp_descr_get, reinterpret_cast<void*>(methodGet)},
                                        {Py_tp_call, reinterpret_cast<void*>(methodCall)},
                                        {Py_tp_getset, methodGetSet},
                                        {0, nullptr}};
    static PyType_Spec methodSpec{"varnook.DispatchMethod", static_cast<int>(sizeof(MethodDescr)),
                                  0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
                                  methodSlots};
    g_methodType = makeType(methodSpec);

    static PyGetSetDef boundGetSet[] = {
        {"__self__", boundSelf, nullptr, nullptr, nullptr},
        {"__name__", boundName, nullptr, nullptr, nullptr},
        {"__doc__", boundDocText, nullptr, nullptr, nullptr},
        {"__signature__", boundSignature, nullptr, nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr, nullptr}};
    static PyType_Slot boundSlots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(boundDealloc)},
                                       {Py_tp_call, reinterpret_cast<void*>(boundCall)},
                                       {Py_tp_repr, reinterpret_cast<void*>(boundRepr)},
                                       {Py_tp_descr_get, reinterpret_cast<void*>(boundGet)},
                                       {Py_tp_getset, boundGetSet},
                                       {0, nullptr}};
    static PyType_Spec boundSpec{"varnook.BoundMember", static_cast<int>(sizeof(BoundMember)), 0,
                                 Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
                                 boundSlots};
    g_boundType = makeType(boundSpec);
}

PyTypeObject* interfaceClass(const InterfaceInfo& info, IDispatch* sample) {
    static std::unordered_map<const InterfaceInfo*, PyTypeObject*> classes;
    auto it = classes.find(&info);
    if (it != classes.end()) {
        return it->second;
    }
    PyTypeObject* type = makeInterfaceClass(info, sample);
    classes.emplace(&info, type);
    return type;
}

py::object boundMember(PyObject* self, const CallTarget& target) {
    auto* b = allocate<BoundMember>(g_boundType);
    py::object owner = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(b));
    b->self = Py_NewRef(self);
    b->name = Py_XNewRef(target.name);
    b->id = target.id;
    b->flags = target.flags;
    b->info = target.info;
    return owner;
}

std::optional<DISPID> memberId(PyObject* descriptor) {
    if (descriptor == nullptr) {
        return std::nullopt;
    }
    if (Py_TYPE(descriptor) == g_propertyType) {
        return reinterpret_cast<PropertyDescr*>(descriptor)->id;
    }
    if (Py_TYPE(descriptor) == g_methodType) {
        return reinterpret_cast<MethodDescr*>(descriptor)->id;
    }
    return std::nullopt;
}

}  // namespace varnook::python
