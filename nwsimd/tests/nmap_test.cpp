// Nmap's NCP script, a client nobody here wrote, against a server of nwsimd: ncp-serverinfo
// reports the server's name, versions, tree and volumes as the network file has them.
#include <array>
#include <cstdio>
#include <string>

#include "servednetwork.h"

namespace nw::nwsimd::testing {
namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

// Nmap prints the 48-byte server name with its NUL padding as "\x00" sequences.
std::string withoutNulPadding(std::string text) {
    for (std::size_t at; (at = text.find("\\x00")) != std::string::npos;)
        text.erase(at, 4);
    return text;
}

using NmapScripts = WireTest;

TEST_F(NmapScripts, ServerInfoReportsNameVersionTreeAndVolumes) {
    if (run("nmap --version 2>/dev/null").find("Nmap version") == std::string::npos)
        GTEST_SKIP() << "nmap is not installed";
    // Nmap cuts a tree name at its first '_', so this tree has none.
    serve(R"({"workstation": {},
              "trees": [ { "name": "LABTREE", "objects": [] } ],
              "servers": [ { "name": "LAB1", "version": [6, 5, 2], "tree": "LABTREE",
                             "directoryName": "LAB1.LAB",
                             "volumes": [ { "name": "SYS" }, { "name": "DATA" },
                                          { "name": "OLD", "mounted": false } ] } ] })",
          {"volumes/LAB1/SYS/", "volumes/LAB1/DATA/", "volumes/LAB1/OLD/"});
    std::string out = withoutNulPadding(run("nmap -Pn -n -p " + std::to_string(port()) +
                                            " --script +ncp-serverinfo 127.0.0.1 2>&1"));
    EXPECT_NE(out.find("Server name: LAB1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Tree Name: LABTREE\n"), std::string::npos) << out;
    EXPECT_NE(out.find("OS Version: 6.5 (rev 2)"), std::string::npos) << out;
    EXPECT_NE(out.find("127.0.0.1 " + std::to_string(port()) + "/tcp"), std::string::npos) << out;
    std::size_t mounts = out.find("Mounts");
    ASSERT_NE(mounts, std::string::npos) << out;
    EXPECT_NE(out.find("SYS", mounts), std::string::npos) << out;
    EXPECT_NE(out.find("DATA", mounts), std::string::npos) << out;
    EXPECT_EQ(out.find("OLD", mounts), std::string::npos) << out;  // not mounted
}

}  // namespace
}  // namespace nw::nwsimd::testing
