#include "proxy.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "convert.h"
#include "enumerator.h"
#include "errors.h"
#include "invoke.h"
#include "members.h"
#include "platform/text.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

PyTypeObject* g_objectType = nullptr;

Proxy* asProxy(PyObject* o) {
    return reinterpret_cast<Proxy*>(o);
}

bool isDunder(PyObject* name) {
    const char* text = PyUnicode_AsUTF8(name);
    if (text == nullptr) {
        PyErr_Clear();
        return false;
    }
    return std::strncmp(text, "__", 2) == 0;
}

[[noreturn]] void noMember(PyObject* self, PyObject* name) {
    PyErr_Format(PyExc_AttributeError, "'%s' object has no member '%U'", Py_TYPE(self)->tp_name,
                 name);
    throw py::error_already_set();
}

// The member of the type information that GetIDsOfNames gave `id` for `name`.
const MemberInfo* typedMember(const InterfaceInfo& info, DISPID id, std::u16string_view name) {
    const std::u16string wanted = lowerAscii(name);
    const MemberInfo* found = nullptr;
    for (const MemberInfo& m : info.members) {
        if (m.id == id && lowerAscii(m.name) == wanted) {
            // A property read without parameters answers an attribute read; else a method.
            if (m.kind == InvokeKind::PropertyGet && m.params.empty()) {
                return &m;
            }
            if (found == nullptr && m.kind != InvokeKind::PropertyPut &&
                m.kind != InvokeKind::PropertyPutRef) {
                found = &m;
            }
        }
    }
    return found;
}

// A member the class has no descriptor for: a hidden one, a name in other case, or any member
// of an object without type information.
py::object lateGet(PyObject* self, PyObject* name) {
    Proxy* p = asProxy(self);
    requireOwner(p->owner);
    DISPID id = 0;
    if (!dispatchIdOf(p->dispatch, name, id)) {
        noMember(self, name);
    }
    if (const InterfaceInfo* info = typeInfoOf(p->dispatch)) {
        const MemberInfo* m = typedMember(*info, id, fromPyStr(name));
        if (m == nullptr || (m->kind == InvokeKind::PropertyGet && m->params.empty())) {
            return getMember(p, id, name);
        }
        const WORD flags = m->kind == InvokeKind::Method ? DISPATCH_METHOD | DISPATCH_PROPERTYGET
                                                         : DISPATCH_PROPERTYGET;
        return boundMember(self, CallTarget{id, flags, m, name});
    }
    // Without type information the name may be a property or a method, as in a script: read it
    // as both, and hand out a callable when it wants arguments.
    Variant result;
    ExcepInfo raised;
    DispParams none;
    const HRESULT hr = p->dispatch->Invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none,
                                           &result, &raised, nullptr);
    if (hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTOPTIONAL) {
        return boundMember(self,
                           CallTarget{id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, name});
    }
    if (FAILED(hr)) {
        throwInvokeError(hr, raised, py::str(name).cast<std::string>());
    }
    return toPython(result);
}

PyObject* getAttr(PyObject* self, PyObject* name) {
    PyObject* found = PyObject_GenericGetAttr(self, name);
    if (found != nullptr || !PyErr_ExceptionMatches(PyExc_AttributeError) || isDunder(name)) {
        return found;
    }
    PyErr_Clear();
    return guarded<PyObject*>(nullptr, [&] { return lateGet(self, name).release().ptr(); });
}

int setAttr(PyObject* self, PyObject* name, PyObject* value) {
    if (isDunder(name)) {
        return PyObject_GenericSetAttr(self, name, value);
    }
    return guarded(-1, [&] {
        if (value == nullptr) {
            throwPython(PyExc_AttributeError, "a member of a dispatch object cannot be deleted");
        }
        Proxy* p = asProxy(self);
        requireOwner(p->owner);
        DISPID id = 0;
        if (const auto known = memberId(_PyType_Lookup(Py_TYPE(self), name))) {
            id = *known;
        } else if (!dispatchIdOf(p->dispatch, name, id)) {
            noMember(self, name);
        }
        putMember(p, id, name, {}, value);
        return 0;
    });
}

// The default member (DISPID_VALUE) as the type information lists it.
CallTarget defaultMember(Proxy* p) {
    CallTarget t;
    t.id = DISPID_VALUE;
    if (const InterfaceInfo* info = typeInfoOf(p->dispatch)) {
        for (const MemberInfo& m : info->members) {
            if (m.id == DISPID_VALUE &&
                (m.kind == InvokeKind::Method || m.kind == InvokeKind::PropertyGet)) {
                t.info = &m;
                break;
            }
        }
    }
    return t;
}

PyObject* callDefault(PyObject* self, PyObject* args, PyObject* kwargs) {
    return guarded<PyObject*>(nullptr, [&] {
        Proxy* p = asProxy(self);
        return invokeMember(p, defaultMember(p), args, kwargs).release().ptr();
    });
}

PyObject* getItem(PyObject* self, PyObject* key) {
    return guarded<PyObject*>(nullptr, [&] {
        Proxy* p = asProxy(self);
        py::tuple args = PyTuple_Check(key) ? py::reinterpret_borrow<py::tuple>(key)
                                            : py::make_tuple(py::handle(key));
        return invokeMember(p, defaultMember(p), args.ptr(), nullptr).release().ptr();
    });
}

int setItem(PyObject* self, PyObject* key, PyObject* value) {
    return guarded(-1, [&] {
        if (value == nullptr) {
            throwPython(PyExc_TypeError, "items of a dispatch object cannot be deleted");
        }
        std::vector<py::handle> indices;
        if (PyTuple_Check(key)) {
            for (py::handle k : py::reinterpret_borrow<py::tuple>(key)) {
                indices.push_back(k);
            }
        } else {
            indices.push_back(key);
        }
        putMember(asProxy(self), DISPID_VALUE, nullptr, indices, value);
        return 0;
    });
}

// The Count member, when the object has one.
bool countId(PyObject* self, DISPID& id) {
    static PyObject* const name = PyUnicode_InternFromString("Count");
    if (const auto known = memberId(_PyType_Lookup(Py_TYPE(self), name))) {
        id = *known;
        return true;
    }
    return dispatchIdOf(asProxy(self)->dispatch, name, id);
}

Py_ssize_t readCount(PyObject* self, DISPID id) {
    static PyObject* const name = PyUnicode_InternFromString("Count");
    const Py_ssize_t n =
        PyNumber_AsSsize_t(getMember(asProxy(self), id, name).ptr(), PyExc_OverflowError);
    if (n == -1 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return n;
}

Py_ssize_t length(PyObject* self) {
    return guarded<Py_ssize_t>(-1, [&] {
        requireOwner(asProxy(self)->owner);
        DISPID id = 0;
        if (!countId(self, id)) {
            throwPython(PyExc_TypeError,
                        std::string("a '") + Py_TYPE(self)->tp_name + "' object has no Count");
        }
        const Py_ssize_t n = readCount(self, id);
        if (n < 0) {
            throwPython(PyExc_ValueError, "Count is negative");
        }
        return n;
    });
}

// A collection with a Count is true when it holds something; any other object is true.
int truth(PyObject* self) {
    return guarded(-1, [&] {
        requireOwner(asProxy(self)->owner);
        DISPID id = 0;
        return countId(self, id) ? (readCount(self, id) != 0 ? 1 : 0) : 1;
    });
}

PyObject* iterate(PyObject* self) {
    return guarded<PyObject*>(nullptr, [&] {
        Proxy* p = asProxy(self);
        requireOwner(p->owner);
        Variant result;
        ExcepInfo raised;
        DispParams none;
        const HRESULT hr =
            p->dispatch->Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none,
                                &result, &raised, nullptr);
        if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) {
            throwPython(PyExc_TypeError,
                        std::string("'") + Py_TYPE(self)->tp_name + "' object is not iterable");
        }
        if (FAILED(hr)) {
            throwInvokeError(hr, raised, "_NewEnum");
        }
        ComPtr<IEnumVARIANT> enumerator;
        IUnknown* unknown = result.deref().unknownVal();
        if (unknown == nullptr ||
            FAILED(unknown->QueryInterface(IEnumVARIANT::iid, enumerator.putVoid()))) {
            throwPython(PyExc_TypeError, "_NewEnum answered no variant enumerator");
        }
        return wrapEnumerator(enumerator.get()).release().ptr();
    });
}

IUnknown* identity(PyObject* self) {
    ComPtr<IUnknown> unknown;
    asProxy(self)->dispatch->QueryInterface(IUnknown::iid, unknown.putVoid());
    return unknown.get();  // the object keeps it alive; only its address is used
}

Py_hash_t hash(PyObject* self) {
    const auto h = static_cast<Py_hash_t>(reinterpret_cast<std::uintptr_t>(identity(self)) >> 4);
    return h == -1 ? -2 : h;
}

PyObject* compare(PyObject* self, PyObject* other, int op) {
    if ((op != Py_EQ && op != Py_NE) || !isProxy(other)) {
        Py_RETURN_NOTIMPLEMENTED;
    }
    const bool same = identity(self) == identity(other);
    return PyBool_FromLong((op == Py_EQ) == same ? 1 : 0);
}

void dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    if (IDispatch* d = std::exchange(asProxy(self)->dispatch, nullptr)) {
        d->Release();
    }
    type->tp_free(self);
    Py_DECREF(type);
}

constexpr const char* kDoc = R"(A late-bound object of the component runtime.

Attributes are its properties and methods, found by name through IDispatch::GetIDsOfNames
and called through IDispatch::Invoke: reading an attribute gets a property, assigning one
puts it, calling a method calls it. obj(...) and obj[...] call the default member, iterating
walks _NewEnum, len() reads Count. help() and dir() list the members of its interface with
their help strings. An object belongs to the thread that made it.)";

}  // namespace

void addObjectType(py::module_& module) {
    static PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(kDoc)},
                                  {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
                                  {Py_tp_getattro, reinterpret_cast<void*>(getAttr)},
                                  {Py_tp_setattro, reinterpret_cast<void*>(setAttr)},
                                  {Py_tp_call, reinterpret_cast<void*>(callDefault)},
                                  {Py_tp_iter, reinterpret_cast<void*>(iterate)},
                                  {Py_tp_hash, reinterpret_cast<void*>(hash)},
                                  {Py_tp_richcompare, reinterpret_cast<void*>(compare)},
                                  {Py_mp_length, reinterpret_cast<void*>(length)},
                                  {Py_mp_subscript, reinterpret_cast<void*>(getItem)},
                                  {Py_mp_ass_subscript, reinterpret_cast<void*>(setItem)},
                                  {Py_nb_bool, reinterpret_cast<void*>(truth)},
                                  {0, nullptr}};
    static PyType_Spec typeSpec{
        "varnook.Object", sizeof(Proxy), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    g_objectType = reinterpret_cast<PyTypeObject*>(type);
    module.add_object("Object", py::handle(type));
}

PyTypeObject* objectType() {
    return g_objectType;
}

bool isProxy(py::handle object) {
    return PyObject_TypeCheck(object.ptr(), g_objectType) != 0;
}

const InterfaceInfo* typeInfoOf(IDispatch* object) {
    const InterfaceInfo* info = nullptr;
    if (FAILED(object->GetTypeInfo(0, &info))) {
        return nullptr;
    }
    return info;
}

py::object wrapDispatch(IDispatch* object) {
    if (object == nullptr) {
        return py::none();
    }
    const InterfaceInfo* info = typeInfoOf(object);
    PyTypeObject* type = info != nullptr ? interfaceClass(*info, object) : g_objectType;
    PyObject* o = type->tp_alloc(type, 0);
    if (o == nullptr) {
        throw py::error_already_set();
    }
    Proxy* p = asProxy(o);
    p->dispatch = object;
    object->AddRef();
    p->owner = currentThread();
    return py::reinterpret_steal<py::object>(o);
}

void requireOwner(unsigned long owner) {
    const unsigned long here = currentThread();
    if (owner != here) {
        throwDispatchError(RPC_E_WRONG_THREAD,
                           "The object belongs to the thread that made it (thread " +
                               std::to_string(owner) + "); it cannot be used from thread " +
                               std::to_string(here));
    }
}

}  // namespace varnook::python
