// The varnook Python module against the same loop in C++ through the dispatch interface, in the
// same run, on one control created by its ProgID (the registry a scratch folder), in an
// embedded interpreter:
//   ChildrenShortNames   read Children of a directory with 10,000 entries and each entry's
//                        ShortName (target: Python at most 2x C++);
//   IterateShortNames    the same over a Children collection read once, so only the walk and
//                        the property reads count (what the module itself adds per item).
//
//     build/bin/bench_python
#include <benchmark/benchmark.h>
#include <pybind11/embed.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/dispatch.h"
#include "platform/testing/temp_registry.h"

namespace {

namespace fs = std::filesystem;
namespace py = pybind11;
using namespace vnk::com;

constexpr int kEntries = 10000;

constexpr const char* kNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "volumes": [ { "name": "SYS" } ] } ]
})";

constexpr const char* kPythonLoop = R"(
def short_names(collection):
    n = 0
    for entry in collection:
        entry.ShortName
        n += 1
    return n

def children_short_names(directory):
    return short_names(directory.Children)
)";

// A volume with BIG\ holding 10,000 files, the control registered in a scratch registry, and
// the same directory held by Python and by C++.
struct Setup {
    vnk::testing::TempRegistry registry;
    fs::path network = fs::path(registry.root()) / "network";
    py::scoped_interpreter interpreter;
    py::object pythonDirectory;
    py::object pythonChildren;
    py::module_ loops = py::module_::import("types").attr("ModuleType")("loops");
    ComPtr<IDispatch> control;
    ComPtr<IDispatch> directory;
    ComPtr<IDispatch> children;

    Setup() {
        fs::create_directories(network / "volumes" / "FS1" / "SYS" / "BIG");
        for (int i = 0; i < kEntries; ++i) {
            std::ofstream(network / "volumes" / "FS1" / "SYS" / "BIG" /
                          ("F" + std::to_string(100000 + i) + ".TXT"));
        }
        std::ofstream(network / "network.json") << kNetwork;
        setenv("NWSIM_NETWORK", (network / "network.json").c_str(), 1);
        setenv("XDG_DATA_HOME", registry.root().c_str(), 1);
        if (FAILED(vnk::testing::registerComponentLibrary(VOLMARRA_LIBRARY))) {
            std::abort();
        }

        py::module_::import("sys").attr("path").attr("insert")(0, VARNOOK_PYTHON_DIR);
        py::exec(kPythonLoop, loops.attr("__dict__"));
        py::object volume =
            py::module_::import("varnook").attr("Dispatch")("VolmarraLib.VolmarraCtrl.1");
        volume.attr("FullName") = R"(\\FS1\SYS)";
        pythonDirectory = volume.attr("FindEntry")(R"(\\FS1\SYS\BIG)");
        pythonChildren = pythonDirectory.attr("Children");
        loops.attr("volume") = volume;  // entries do not keep their control alive

        if (FAILED(CreateObject(u"VolmarraLib.VolmarraCtrl.1", control)) ||
            FAILED(putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\SYS")))) {
            std::abort();
        }
        Variant found;
        call(control.get(), u"FindEntry", {Variant(u"\\\\FS1\\SYS\\BIG")}, &found);
        directory = ComPtr<IDispatch>(found.dispatch());
        children = childrenOf(directory.get());
    }

    static ComPtr<IDispatch> childrenOf(IDispatch* entry) {
        Variant list;
        if (FAILED(getProperty(entry, u"Children", &list))) {
            std::abort();
        }
        return ComPtr<IDispatch>(list.dispatch());
    }

    // The loop as compiled C++ writes it: the member's identifier asked once, then Invoke per
    // entry of For Each.
    static int shortNames(IDispatch* collection) {
        DISPID shortName = DISPID_UNKNOWN;
        int n = 0;
        forEach(collection, [&](const Variant& item) {
            IDispatch* entry = item.dispatch();
            if (shortName == DISPID_UNKNOWN) {
                const std::u16string_view name = u"ShortName";
                entry->GetIDsOfNames(&name, 1, &shortName);
            }
            Variant value;
            DispParams none;
            entry->Invoke(shortName, DISPATCH_PROPERTYGET, none, &value, nullptr, nullptr);
            ++n;
            return true;
        });
        return n;
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void report(benchmark::State& state, int n) {
    if (n != kEntries) {
        state.SkipWithError("not every entry was read");
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void ChildrenShortNames_Cpp(benchmark::State& state) {
    Setup& s = setup();
    int n = 0;
    for (auto _ : state) {
        n = Setup::shortNames(Setup::childrenOf(s.directory.get()).get());
    }
    report(state, n);
}

void ChildrenShortNames_Python(benchmark::State& state) {
    Setup& s = setup();
    py::object loop = s.loops.attr("children_short_names");
    int n = 0;
    for (auto _ : state) {
        n = loop(s.pythonDirectory).cast<int>();
    }
    report(state, n);
}

void IterateShortNames_Cpp(benchmark::State& state) {
    Setup& s = setup();
    int n = 0;
    for (auto _ : state) {
        n = Setup::shortNames(s.children.get());
    }
    report(state, n);
}

void IterateShortNames_Python(benchmark::State& state) {
    Setup& s = setup();
    py::object loop = s.loops.attr("short_names");
    int n = 0;
    for (auto _ : state) {
        n = loop(s.pythonChildren).cast<int>();
    }
    report(state, n);
}

BENCHMARK(ChildrenShortNames_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(ChildrenShortNames_Python)->Unit(benchmark::kMillisecond);
BENCHMARK(IterateShortNames_Cpp)->Unit(benchmark::kMillisecond);
BENCHMARK(IterateShortNames_Python)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
