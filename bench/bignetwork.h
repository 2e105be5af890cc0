// The generated network the speed figures are measured on: one server FS1 with a volume DATA,
// 5,000 x scale logged-in stations (numbers 1 up; the workstation is station 0, drive F: maps
// \\FS1\DATA) with 20 open files each, one file ("Shared File.dat", locked) open by the first
// 2,000 x scale of them, and every tenth open file locked. Written once per scale into a temporary
// folder that is removed when the program ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

namespace bench {

namespace fs = std::filesystem;

inline constexpr int kFilesPerFolder = 100;

struct Shape {
    int stations;
    int filesPerStation;
    int sharedBy;
    int files;
};

inline Shape shape(int scale) {
    return {5000 * scale, 20, 2000 * scale, 5000 * scale};
}

// The path of file i below the volume root: "D<i / 100>\File <i>.dat".
inline std::string fileName(int i) {
    return "D" + std::to_string(i / kFilesPerFolder) + "\\File " + std::to_string(i) + ".dat";
}

// The network file of a scale, written on first use.
inline const fs::path& networkFile(int scale) {
    struct Generated {
        std::map<int, fs::path> files;
        ~Generated() {
            std::error_code ec;
            for (const auto& [s, file] : files)
                fs::remove_all(file.parent_path(), ec);
        }
    };
    static Generated generated;
    std::map<int, fs::path>& made = generated.files;
    auto found = made.find(scale);
    if (found != made.end())
        return found->second;
    std::string pattern = (fs::temp_directory_path() / "varnook-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    fs::path root = pattern;
    Shape s = shape(scale);
    fs::path volume = root / "volumes/FS1/DATA";
    for (int i = 0; i < s.files; ++i) {
        fs::path file = volume / ("D" + std::to_string(i / kFilesPerFolder)) /
                        ("File " + std::to_string(i) + ".dat");
        if (i % kFilesPerFolder == 0)
            fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
    }
    std::ofstream(volume / "Shared File.dat") << "x";
    std::string json = R"({"workstation": {"drives": [{"letter": "F", "target": "\\\\FS1\\DATA"}],
      "connections": [
        {"server": "FS1", "user": "ADMIN", "station": 0, "consoleOperator": true}]},
      "servers": [{"name": "FS1", "maxConnections": 65535, "volumes": [{"name": "DATA"}],
                   "connections": [)";
    for (int st = 1; st <= s.stations; ++st) {
        json += st == 1 ? "" : ",";
        json += R"({"number": )" + std::to_string(st) + R"(, "user": "USER)" + std::to_string(st) +
                R"(", "openFiles": [)";
        int first = 0;
        if (st <= s.sharedBy) {
            json += R"({"path": "DATA:Shared File.dat", "locks": [{"start": )" +
                    std::to_string(st * 16) + R"(, "end": )" + std::to_string(st * 16 + 15) + "}]}";
            first = 1;
        }
        for (int k = first; k < s.filesPerStation; ++k) {
            int file = (st * 7 + k * 131) % s.files;
            std::string path = fileName(file);
            path.insert(path.find('\\'), "\\");  // a JSON string doubles the backslash
            json += (k == 0 ? "" : ",") + std::string(R"({"path": "DATA:)") + path + "\"" +
                    (k % 10 == 0 ? R"(, "locks": [{"start": 0, "end": 9}])" : "") + "}";
        }
        json += "]}";
    }
    json += "]}]}";
    fs::path file = root / "network.json";
    std::ofstream(file) << json;
    return made.emplace(scale, file).first->second;
}

}  // namespace bench
