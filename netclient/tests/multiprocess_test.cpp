// Several programs on one network's state: the one that holds the state folder's lock changes
// it, the others read it and have their changes refused, and nothing is lost.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "volume_network.h"

extern char** environ;

namespace {

using namespace nw;
namespace fs = std::filesystem;

constexpr int kFiles = 300;  // erased by each of two programs

// A running state_child with a pipe to its standard input and one from its standard output.
class Child {
public:
    Child(std::vector<std::string> args, const std::string& pausePoint = "") {
        args.insert(args.begin(), STATE_CHILD);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e);
        if (!pausePoint.empty())
            env.push_back("NWSIM_PAUSE_POINT=" + pausePoint);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        int in[2], out[2];
        EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        EXPECT_EQ(posix_spawn(&pid_, STATE_CHILD, &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = ::fdopen(out[0], "r");
    }
    ~Child() {
        closeInput();
        if (pid_ > 0)
            wait();
        if (output_ != nullptr)
            std::fclose(output_);
    }

    pid_t pid() const { return pid_; }
    // The next line it wrote, without the newline; "" when it wrote no more.
    std::string line() {
        char buffer[4096];
        if (std::fgets(buffer, sizeof buffer, output_) == nullptr)
            return "";
        std::string text = buffer;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    void tell(const std::string& text) {
        std::string line = text + "\n";
        EXPECT_EQ(::write(input_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    void closeInput() {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
    }
    // Waits until it stops at its pause point.
    void awaitStop() {
        int status = 0;
        ASSERT_EQ(::waitpid(pid_, &status, WUNTRACED), pid_);
        ASSERT_TRUE(WIFSTOPPED(status));
    }
    void resume() { ::kill(pid_, SIGCONT); }
    int wait() {
        int status = 0;
        EXPECT_EQ(::waitpid(pid_, &status, 0), pid_);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    FILE* output_ = nullptr;
};

// The volume test network written as a file, with kFiles files in SYS:A and in SYS:B.
class SharedState : public ::testing::Test {
protected:
    SharedState() {
        for (const char* dir : {"A", "B"}) {
            for (int i = 0; i < kFiles; ++i)
                files.push_back("volumes/FS1/SYS/" + std::string(dir) + "/f" + std::to_string(i) +
                                ".txt");
        }
        for (const std::string& path : files)
            folder.add(path);
        network = folder.write("network.json", testnet::kVolumeNetwork);
    }

    std::unique_ptr<sim::SimClient> load() { return sim::SimClient::load(network); }

    // A single value the stored database answers.
    std::string stored(const char* sql) {
        sqlite3* db = nullptr;
        std::string value;
        if (sqlite3_open_v2((folder.path() / "state/volumes.sqlite").c_str(), &db,
                            SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW) {
                value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return value;
    }

    std::vector<std::string> files;
    testnet::ScratchFolder folder{testnet::volumeNetworkFiles()};
    fs::path network;
};

std::vector<std::string> deletedNames(sim::SimClient& client, const char* dir) {
    NWCONN_HANDLE h = 0;
    EXPECT_EQ(client.NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
    NWDIR_HANDLE handle = 0;
    EXPECT_EQ(client.AllocTempDirHandle(h, NW_NS_LONG, dir, &handle), SUCCESSFUL);
    std::vector<std::string> names;
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    while (client.ScanSalvageableFiles(h, handle, NW_NS_LONG, &sequence, &deleted) == SUCCESSFUL)
        names.emplace_back(deleted.entryName, deleted.nameLength);
    client.NWCCCloseConn(h);
    return names;
}

struct Outcome {
    int erased = -1, refused = -1, other = -1;
    std::string state;
};

Outcome outcome(Child& child) {
    Outcome result;
    std::sscanf(child.line().c_str(), "erased %d refused %d other %d", &result.erased,
                &result.refused, &result.other);
    result.state = child.line();
    EXPECT_EQ(child.wait(), 0);
    return result;
}

TEST_F(SharedState, TwoProgramsErasingAtOnceLoseNothing) {
    {
        auto first = load();  // stores the network file's state
        NWCONN_HANDLE h = 0;
        ASSERT_EQ(first->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
        VOLUME_STATS stats;
        ASSERT_EQ(first->GetVolumeStats(h, 0, &stats), SUCCESSFUL);
        first->NWCCCloseConn(h);
    }
    Child a({network.string(), "erase", "A", std::to_string(kFiles)});
    Child b({network.string(), "erase", "B", std::to_string(kFiles)});
    ASSERT_EQ(a.line(), "ready");
    ASSERT_EQ(b.line(), "ready");
    pid_t pids[] = {a.pid(), b.pid()};
    a.tell("go");
    b.tell("go");
    Outcome results[] = {outcome(a), outcome(b)};

    auto client = load();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "A" : "B");
        const Outcome& r = results[i];
        EXPECT_EQ(r.other, 0);
        EXPECT_EQ(r.erased + r.refused, kFiles);
        // Each erase is either kept for salvage or refused with the file left in place.
        EXPECT_EQ(deletedNames(*client, i == 0 ? "SYS:A" : "SYS:B").size(),
                  static_cast<std::size_t>(r.erased));
        int left = 0;
        for (int f = 0; f < kFiles; ++f)
            left += fs::exists(folder.path() / files[i * kFiles + f]);
        EXPECT_EQ(left, r.refused);
        if (r.refused > 0) {
            EXPECT_NE(r.state.find("process " + std::to_string(pids[1 - i]) + " (state_child)"),
                      std::string::npos)
                << r.state;
        }
    }
    EXPECT_EQ(stored("SELECT count(*) FROM journal"), "0");
    EXPECT_EQ(stored("SELECT count(*) FROM deleted"),
              std::to_string(1 + results[0].erased + results[1].erased));
}

TEST_F(SharedState, ASecondProgramReadsTheStateButChangesNothing) {
    {
        auto first = load();
        NWCONN_HANDLE h = 0;
        ASSERT_EQ(first->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
        ASSERT_EQ(first->AddTrusteeToEntry(h, NW_NS_LONG, "SYS:HOME", 777, TR_READ), SUCCESSFUL);
        first->NWCCCloseConn(h);
    }
    Child holder({network.string(), "hold"});
    ASSERT_EQ(holder.line(), "holding");

    auto second = load();
    NWCONN_HANDLE h = 0;
    ASSERT_EQ(second->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
    nuint32 iterator = 0;
    TRUSTEE_SET set;
    ASSERT_EQ(second->ScanEntryTrustees(h, NW_NS_LONG, "SYS:HOME", &iterator, &set), SUCCESSFUL);
    EXPECT_EQ(set.count, 1);  // what the first program stored
    EXPECT_EQ(set.trustees[0].objectID, 777u);
    EXPECT_EQ(second->CreateDirectory(h, NW_NS_LONG, "SYS:New", 0xFF), DIRECTORY_IO_ERROR);
    EXPECT_EQ(second->EraseFile(h, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), DIRECTORY_IO_ERROR);
    EXPECT_EQ(second->AddTrusteeToEntry(h, NW_NS_LONG, "SYS:", 777, TR_READ), DIRECTORY_IO_ERROR);
    EXPECT_EQ(second->SetObjectVolumeRestriction(h, 0, 777, 8), DIRECTORY_IO_ERROR);
    EXPECT_FALSE(fs::exists(folder.path() / "volumes/FS1/SYS/New"));
    EXPECT_TRUE(fs::exists(folder.path() / "volumes/FS1/SYS/readme.txt"));
    EXPECT_NE(second->stateError().find("process " + std::to_string(holder.pid()) +
                                        " (state_child) holds the lock"),
              std::string::npos)
        << second->stateError();
    second->NWCCCloseConn(h);
    second.reset();

    // Once the holder ends, the next program changes the state.
    holder.closeInput();
    EXPECT_EQ(holder.wait(), 0);
    auto third = load();
    ASSERT_EQ(third->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
    EXPECT_EQ(third->CreateDirectory(h, NW_NS_LONG, "SYS:New", 0xFF), SUCCESSFUL);
    EXPECT_TRUE(third->stateError().empty()) << third->stateError();
    third->NWCCCloseConn(h);
}

TEST_F(SharedState, TheHoldersJournalIsLeftToIt) {
    Child eraser({network.string(), "erase", "SYS:readme.txt"}, "erase:disk");
    eraser.awaitStop();  // the erase is journaled, its file not yet moved
    {
        auto reader = load();
        EXPECT_TRUE(deletedNames(*reader, "SYS:").empty());
        EXPECT_FALSE(reader->stateError().empty());
    }
    EXPECT_EQ(stored("SELECT count(*) FROM journal"), "1");
    eraser.resume();
    EXPECT_EQ(eraser.line(), "erased");
    EXPECT_EQ(eraser.wait(), 0);

    auto after = load();
    EXPECT_EQ(deletedNames(*after, "SYS:"), std::vector<std::string>{"readme.txt"});
    EXPECT_FALSE(fs::exists(folder.path() / "volumes/FS1/SYS/readme.txt"));
    EXPECT_EQ(stored("SELECT count(*) FROM journal"), "0");
}

}  // namespace
