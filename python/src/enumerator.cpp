#include "enumerator.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "convert.h"
#include "errors.h"
#include "proxy.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

// Items fetched per IEnumVARIANT::Next. The collections hand out snapshots, so fetching ahead
// changes nothing a script can see; the items not taken are released with the iterator.
constexpr ULONG kBatch = 32;

struct Enumerator {
    PyObject ob_base;
    IEnumVARIANT* enumerator;  // one reference
    unsigned long owner;
    std::vector<Variant>* fetched;
    std::size_t next;
};

PyTypeObject* g_enumeratorType = nullptr;

Enumerator* asEnumerator(PyObject* o) {
    return reinterpret_cast<Enumerator*>(o);
}

PyObject* iterSelf(PyObject* self) {
    return Py_NewRef(self);
}

PyObject* iterNext(PyObject* self) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        Enumerator* e = asEnumerator(self);
        requireOwner(e->owner);
        std::vector<Variant>& items = *e->fetched;
        if (e->next == items.size()) {
            items.assign(kBatch, Variant());
            ULONG got = 0;
            const HRESULT hr = e->enumerator->Next(kBatch, items.data(), &got);
            if (FAILED(hr)) {
                items.clear();
                e->next = 0;
                throwInvokeError(hr, ExcepInfo{}, "the enumerator's Next");
            }
            items.resize(std::min<std::size_t>(got, kBatch));
            e->next = 0;
            if (items.empty()) {
                return nullptr;  // the end: StopIteration without an error set
            }
        }
        Variant item = std::move(items[e->next]);
        items[e->next++].clear();
        return toPython(item).release().ptr();
    });
}

void dealloc(PyObject* self) {
    Enumerator* e = asEnumerator(self);
    PyTypeObject* type = Py_TYPE(self);
    delete std::exchange(e->fetched, nullptr);
    if (IEnumVARIANT* en = std::exchange(e->enumerator, nullptr)) {
        en->Release();
    }
    type->tp_free(self);
    Py_DECREF(type);
}

}  // namespace

void addEnumeratorType(py::module_& module) {
    static PyType_Slot slots[] = {
        {Py_tp_doc, const_cast<char*>("An iterator over the items of a collection (_NewEnum).")},
        {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
        {Py_tp_iter, reinterpret_cast<void*>(iterSelf)},
        {Py_tp_iternext, reinterpret_cast<void*>(iterNext)},
        {0, nullptr}};
    static PyType_Spec typeSpec{"varnook.Enumerator", static_cast<int>(sizeof(Enumerator)), 0,
                                Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) {
        throw py::error_already_set();
    }
    g_enumeratorType = reinterpret_cast<PyTypeObject*>(type);
    module.add_object("Enumerator", py::handle(type));
}

py::object wrapEnumerator(IEnumVARIANT* enumerator) {
    PyObject* o = g_enumeratorType->tp_alloc(g_enumeratorType, 0);
    if (o == nullptr) {
        throw py::error_already_set();
    }
    py::object owner = py::reinterpret_steal<py::object>(o);
    Enumerator* e = asEnumerator(o);
    e->fetched = new std::vector<Variant>();
    e->enumerator = enumerator;
    enumerator->AddRef();
    e->owner = currentThread();
    return owner;
}

IEnumVARIANT* enumeratorOf(py::handle object) {
    if (g_enumeratorType == nullptr || Py_TYPE(object.ptr()) != g_enumeratorType) {
        return nullptr;
    }
    return asEnumerator(object.ptr())->enumerator;
}

}  // namespace varnook::python
