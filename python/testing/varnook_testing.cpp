// varnook_testing: what the tests of the varnook module look at beside it: the handles the
// process's client has open, and whether a component library has live objects.
#include <dlfcn.h>
#include <pybind11/pybind11.h>

#include <string>

#include "netclient/client.h"
#include "netclient/sim/simclient.h"
#include "platform/win32.h"

namespace py = pybind11;

PYBIND11_MODULE(varnook_testing, module) {
    module.doc() = "Counters the tests of the varnook module check.";
    module.def(
        "open_handles",
        [] {
            const nw::OpenHandleCounts open = nw::processClientOpenHandles();
            py::dict counts;
            counts["connections"] = open.connections;
            counts["directories"] = open.directories;
            counts["files"] = open.files;
            return counts;
        },
        "The connection, directory and file handles the process's client has open (in-process "
        "or over the wire).");
    module.def(
        "back_end",
        []() -> py::object {
            const nw::Client* loaded = nw::processClientBackEnd();
            if (loaded == nullptr) {
                return py::none();
            }
            const bool inProcess = dynamic_cast<const nw::sim::SimClient*>(loaded) != nullptr;
            return py::str(inProcess ? "in-process" : "wire");
        },
        "How the process's client reaches the network: \"in-process\", \"wire\", or None before "
        "it was loaded.");
    module.def(
        "has_live_objects",
        [](const std::string& library) {
            // A library never loaded has no objects; RTLD_NOLOAD does not load it.
            void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
            if (handle == nullptr) {
                return false;
            }
            using CanUnload = vnk::win::HRESULT (*)();
            auto canUnload = reinterpret_cast<CanUnload>(dlsym(handle, "DllCanUnloadNow"));
            const bool live = canUnload != nullptr && canUnload() != vnk::win::S_OK;
            dlclose(handle);
            return live;
        },
        py::arg("library"),
        "True while the component library (loaded) has objects alive, as DllCanUnloadNow says.");
}
