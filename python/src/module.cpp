// The varnook module: Dispatch() and the types it hands out.
#include "convert.h"
#include "enumerator.h"
#include "errors.h"
#include "members.h"
#include "platform/registry.h"
#include "proxy.h"

namespace varnook::python {
namespace {

using namespace vnk::com;

constexpr const char* kModuleDoc = R"(Varnook's components from Python, late bound.

    import varnook
    volume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")
    volume.FullName = r"\\FS1\SYS"
    for entry in volume.Root.Children:
        print(entry.ShortName, entry.Size)

Dispatch() creates a registered class by its ProgID or CLSID through the component runtime
(the registry that VARNOOK_REGISTRY_DIR names, else the user's); every object it and its
objects hand out is a varnook.Object whose members are reached through IDispatch. A failure
the object raises is a DispatchError with the object's code and text.)";

constexpr const char* kDispatchDoc =
    R"(Creates an object of a registered class, named by its ProgID ("VolmarraLib.VolmarraCtrl.1")
or its CLSID ("{572991A4-2D38-4999-BCFA-872CA934D518}"). A class that is not registered
raises DispatchError saying so; run varnook-setup, or register the library that holds it with
regsvr.)";

py::object dispatch(const py::object& what) {
    if (isProxy(what)) {
        requireOwner(reinterpret_cast<Proxy*>(what.ptr())->owner);
        return py::reinterpret_borrow<py::object>(what);
    }
    if (!PyUnicode_Check(what.ptr())) {
        throwPython(PyExc_TypeError, "Dispatch takes a ProgID or a CLSID as a str");
    }
    const std::u16string id = fromPyStr(what);
    ComPtr<IDispatch> object;
    const HRESULT hr = CreateObject(id, object);
    if (FAILED(hr) || !object) {
        std::string message = resultText(hr) + ": " + ComLastErrorDetail();
        if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
            message +=
                ". Run varnook-setup, which registers Varnook's components for this user, or "
                "register the component library that holds the class with regsvr (regsvr "
                "lib/libvolmarra.so registers the volume control, regsvr lib/libregwick.so the "
                "registry store) in the registry that VARNOOK_REGISTRY_DIR names";
        }
        throwDispatchError(FAILED(hr) ? hr : E_NOINTERFACE, message);
    }
    return wrapDispatch(object.get());
}

}  // namespace
}  // namespace varnook::python

PYBIND11_MODULE(varnook, module) {
    using namespace varnook::python;
    using namespace vnk::win;
    module.doc() = kModuleDoc;
    addConversions(module);
    addDispatchError(module);
    addObjectType(module);
    addMemberTypes(module);
    addEnumeratorType(module);
    module.def("Dispatch", &dispatch, py::arg("progid"), kDispatchDoc);
    module.attr("__version__") = VARNOOK_VERSION_STRING;
    // The root keys as the signed 32-bit numbers a Hive parameter (a Long) takes; 0x80000002
    // itself does not fit one.
    module.attr("HKEY_CLASSES_ROOT") = static_cast<std::int32_t>(hkeyToInt(HKEY_CLASSES_ROOT));
    module.attr("HKEY_CURRENT_USER") = static_cast<std::int32_t>(hkeyToInt(HKEY_CURRENT_USER));
    module.attr("HKEY_LOCAL_MACHINE") = static_cast<std::int32_t>(hkeyToInt(HKEY_LOCAL_MACHINE));
}
