// What the volume control's benchmarks share, in-process (bench_volctl) and over the wire
// (bench_wire_volume): a scratch volume folder holding BIG\ (10,000 entries, one in ten a
// folder) and SRC.DAT (256 MiB), the listing they time, and NWEntry.Copy against cp of the same
// file on the same disk.
#pragma once

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/dispatch.h"

extern char** environ;

namespace bench {

inline constexpr int kEntries = 10000;
inline constexpr std::size_t kCopyBytes = 256u << 20;

// A file of the given size in a fixed pattern.
inline void writePatternFile(const std::filesystem::path& path, std::size_t bytes) {
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>((i * 131) ^ (i >> 9));
    }
    std::ofstream out(path, std::ios::binary);
    for (std::size_t n = 0; n < bytes; n += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

// The folder of volume FS1\SYS under a scratch root in VARNOOK_BENCH_DIR (or the temporary
// folder), removed at the end.
struct VolumeFolder {
    std::filesystem::path root;
    std::filesystem::path folder;
    int copies = 0;

    explicit VolumeFolder(const char* prefix) {
        namespace fs = std::filesystem;
        const char* base = std::getenv("VARNOOK_BENCH_DIR");
        std::string pattern = ((base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
                               (std::string(prefix) + "-XXXXXX"))
                                  .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        root = pattern;
        folder = root / "volumes" / "FS1" / "SYS";
        fs::create_directories(folder / "BIG");
        for (int i = 0; i < kEntries; ++i) {
            const fs::path p = folder / "BIG" / ("ENTRY" + std::to_string(i));
            if (i % 10 == 0) {
                fs::create_directory(p);
            } else {
                std::ofstream(p.string() + ".TXT");
            }
        }
        writePatternFile(folder / "SRC.DAT", kCopyBytes);
    }
    ~VolumeFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    VolumeFolder(const VolumeFolder&) = delete;
    VolumeFolder& operator=(const VolumeFolder&) = delete;
};

// The entry of a path below \\FS1\SYS through the control's FindEntry.
inline vnk::com::ComPtr<vnk::com::IDispatch> findEntry(
    const vnk::com::ComPtr<vnk::com::IDispatch>& control, std::u16string_view below) {
    vnk::com::Variant r;
    vnk::com::ExcepInfo ei;
    if (vnk::com::call(control.get(), u"FindEntry",
                       {vnk::com::Variant(u"\\\\FS1\\SYS\\" + std::u16string(below))}, &r,
                       &ei) != vnk::win::S_OK) {
        throw std::runtime_error("FindEntry failed");
    }
    return vnk::com::ComPtr<vnk::com::IDispatch>(r.dispatch());
}

// BIG's Children, counted.
inline bool listBig(const vnk::com::ComPtr<vnk::com::IDispatch>& big) {
    vnk::com::Variant children;
    vnk::com::Variant count;
    return vnk::com::call(big.get(), u"Children", {}, &children) == vnk::win::S_OK &&
           vnk::com::getProperty(children.dispatch(), u"Count", &count) == vnk::win::S_OK &&
           count.intVal() == kEntries;
}

// Removes a copy outside the timing (state null: an untimed run).
inline void removeUntimed(const std::filesystem::path& copy, benchmark::State* state) {
    if (state != nullptr) {
        state->PauseTiming();
    }
    std::error_code ec;
    std::filesystem::remove(copy, ec);
    if (state != nullptr) {
        state->ResumeTiming();
    }
}

// One NWEntry.Copy of SRC.DAT to a new name.
inline bool copyOnce(VolumeFolder& v, const vnk::com::ComPtr<vnk::com::IDispatch>& source,
                     benchmark::State* state) {
    const std::string ascii = "COPY" + std::to_string(v.copies++) + ".DAT";
    vnk::com::Variant r;
    if (vnk::com::call(source.get(), u"Copy",
                       {vnk::com::Variant(std::u16string(ascii.begin(), ascii.end()))},
                       &r) != vnk::win::S_OK) {
        return false;
    }
    removeUntimed(v.folder / ascii, state);
    return true;
}

// One cp of SRC.DAT on the same disk.
inline bool cpOnce(VolumeFolder& v, benchmark::State* state) {
    const std::string from = (v.folder / "SRC.DAT").string();
    const std::string to = (v.root / "cp-copy.dat").string();
    const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || status != 0) {
        return false;
    }
    removeUntimed(to, state);
    return true;
}

// Copies of SRC.DAT by the control and by cp; both start from the same state of the page
// cache: one untimed copy first.
inline void timeCopies(benchmark::State& state, VolumeFolder& v,
                       const vnk::com::ComPtr<vnk::com::IDispatch>& source) {
    copyOnce(v, source, nullptr);
    for (auto _ : state) {
        if (!copyOnce(v, source, &state)) {
            state.SkipWithError("Copy failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
}
inline void timeCp(benchmark::State& state, VolumeFolder& v) {
    cpOnce(v, nullptr);
    for (auto _ : state) {
        if (!cpOnce(v, &state)) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
}

}  // namespace bench
