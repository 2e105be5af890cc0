// Helper process for the multi-process registry tests.
//   stress_child write PREFIX COUNT   writes COUNT values PREFIX_0.. under HKCU\Software\Stress
//   stress_child churn                creates, fills and deletes keys until it is killed
//   stress_child root PREFIX COUNT    sets COUNT values PREFIX_0.. on HKEY_CURRENT_USER itself,
//                                     never opening a handle, and exits
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry.h"

using namespace vnk::win;

namespace {

// A payload that tells whether it arrived whole: its last 4 bytes are a checksum of the rest.
std::string payload(unsigned seed, std::size_t size) {
    std::string s;
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s += static_cast<char>(x >> 24);
    }
    std::uint32_t sum = 0;
    for (unsigned char c : s) {
        sum = sum * 31 + c;
    }
    for (int b = 0; b < 4; ++b) {
        s += static_cast<char>(sum >> (8 * b));
    }
    return s;
}

int write(const std::string& prefix, int count) {
    UniqueHKey k;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Stress", 0, nullptr, 0, KEY_ALL_ACCESS,
                       nullptr, k.put(), nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "create: %s\n", RegLastErrorDetail().c_str());
        return 2;
    }
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + "_" + std::to_string(i);
        const std::string data = "value " + std::to_string(i) + " of " + prefix;
        const LONG e = RegSetValueEx(k.get(), name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>(data.size() + 1));
        if (e != ERROR_SUCCESS) {
            std::fprintf(stderr, "set %s: %d %s\n", name.c_str(), e, RegLastErrorDetail().c_str());
            return 3;
        }
    }
    return 0;
}

int rootValues(const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + "_" + std::to_string(i);
        const LONG e = RegSetValueEx(HKEY_CURRENT_USER, name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>("x"), 2);
        if (e != ERROR_SUCCESS) {
            std::fprintf(stderr, "set %s: %d %s\n", name.c_str(), e, RegLastErrorDetail().c_str());
            return 3;
        }
    }
    return 0;
}

int churn() {
    for (unsigned i = 0;; ++i) {
        if (i == 1) {
            // The first write is done: the parent starts its clock now.
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
        const std::string path = "Software\\Churn\\K" + std::to_string(i % 50);
        if (i % 7 == 3) {
            RegDeleteTree(HKEY_CURRENT_USER, path.c_str());
            continue;
        }
        UniqueHKey k;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, (path + "\\Sub").c_str(), 0, nullptr, 0,
                           KEY_ALL_ACCESS, nullptr, k.put(), nullptr) != ERROR_SUCCESS) {
            return 2;
        }
        const std::string data = payload(i, 64 + (i * 37) % 4000);
        if (RegSetValueEx(k.get(), ("v" + std::to_string(i % 5)).c_str(), 0, REG_BINARY,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
            return 3;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "write") {
        return write(argv[2], std::atoi(argv[3]));
    }
    if (argc == 4 && std::string(argv[1]) == "root") {
        return rootValues(argv[2], std::atoi(argv[3]));
    }
    if (argc == 2 && std::string(argv[1]) == "churn") {
        return churn();
    }
    std::fprintf(stderr, "usage: stress_child write PREFIX COUNT | churn | root PREFIX COUNT\n");
    return 1;
}
