// Speed of listing big registry keys: every value (name, type and data) and every subkey of a key
// holding 10,000 and 100,000 of each, through the registry calls and through regtool's query and
// export. Each step of an enumeration continues from the last, so 10 times the items cost about
// 10 times the time. Target: a key of 100,000 values listed in under 2 s.
//
// The registry lies in a scratch folder in the current directory (or VARNOOK_BENCH_DIR).
//
//     build/bin/bench_registry
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "keys.h"
#include "platform/registry.h"
#include "regtool.h"

namespace {

namespace fs = std::filesystem;
using namespace vnk::win;

// A private registry in a scratch folder, removed when the benchmarks end.
struct Scratch {
    fs::path root;

    Scratch() {
        const char* base = std::getenv("VARNOOK_BENCH_DIR");
        std::string pattern =
            ((base != nullptr ? fs::path(base) : fs::current_path()) / "varnook-bench-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        root = pattern;
        setenv("VARNOOK_REGISTRY_DIR", (root / "registry").c_str(), 1);
        RegResetForTesting();
    }
    ~Scratch() {
        RegResetForTesting();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// HKCU\Software\Big<N>, with N values and N subkeys, made once per size.
std::string bigKey(int n) {
    static Scratch scratch;
    static std::map<int, std::string> made;
    auto it = made.find(n);
    if (it != made.end()) {
        return it->second;
    }
    const std::string path = "Software\\Big" + std::to_string(n);
    UniqueHKey key;
    RegBeginBatch();
    RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                   key.put(), nullptr);
    for (int i = 0; i < n; ++i) {
        const std::string name = "Value" + std::to_string(i);
        const std::string data = "data of value " + std::to_string(i);
        RegSetValueEx(key.get(), name.c_str(), 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(data.c_str()),
                      static_cast<DWORD>(data.size() + 1));
        UniqueHKey child;
        RegCreateKeyEx(key.get(), ("Key" + std::to_string(i)).c_str(), 0, nullptr, 0,
                       KEY_ALL_ACCESS, nullptr, child.put(), nullptr);
    }
    if (RegCommitBatch() != ERROR_SUCCESS) {
        std::abort();
    }
    return made[n] = path;
}

UniqueHKey openBig(int n) {
    UniqueHKey key;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, bigKey(n).c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        std::abort();
    }
    return key;
}

void BM_ListValues(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    UniqueHKey key = openBig(n);
    for (auto _ : state) {
        std::vector<regtool::Value> values;
        regtool::readValues(key.get(), values);
        if (values.size() != static_cast<std::size_t>(n)) {
            state.SkipWithError("values missing");
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListValues)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ListSubKeys(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    UniqueHKey key = openBig(n);
    for (auto _ : state) {
        std::vector<std::string> names;
        regtool::readSubKeys(key.get(), names);
        if (names.size() != static_cast<std::size_t>(n)) {
            state.SkipWithError("subkeys missing");
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListSubKeys)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What an administrator runs: regtool query / export of the key (its values and subkeys).
void BM_RegtoolQuery(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string key = "HKCU\\" + bigKey(n);
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out, err;
        if (regtool::run({"query", key}, in, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RegtoolQuery)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RegtoolExport(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string key = "HKCU\\" + bigKey(n);
    const std::string file = RegStorageDirectory() + "/../export.reg";
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out, err;
        if (regtool::run({"export", key, file, "/y"}, in, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RegtoolExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What the last handle's closing costs: the hive is checkpointed and closed each time, and the
// next handle opens it again.
void BM_OpenReadClose(benchmark::State& state) {
    const std::string path = bigKey(10000);
    for (auto _ : state) {
        UniqueHKey key;
        DWORD size = 0;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) !=
                ERROR_SUCCESS ||
            RegQueryValueEx(key.get(), "Value7", nullptr, nullptr, nullptr, &size) !=
                ERROR_SUCCESS) {
            state.SkipWithError("reading failed");
        }
    }
}
BENCHMARK(BM_OpenReadClose)->Unit(benchmark::kMicrosecond);

void BM_OpenWriteClose(benchmark::State& state) {
    const std::string path = bigKey(10000);
    for (auto _ : state) {
        UniqueHKey key;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) !=
                ERROR_SUCCESS ||
            RegSetValueEx(key.get(), "Value7", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2) !=
                ERROR_SUCCESS) {
            state.SkipWithError("writing failed");
        }
    }
}
BENCHMARK(BM_OpenWriteClose)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
