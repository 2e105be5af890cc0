#include "core/logs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

namespace varnook {
namespace {

namespace fs = std::filesystem;

class LogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("varnook-logs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
};

TEST_F(LogsTest, RecordsAreQuotedWithCrLfAndNothingEscaped) {
    const fs::path log = dir_ / "out.log";
    ASSERT_FALSE(AppendLogRecord(log.string(), "Exiting Varnook."));
    ASSERT_FALSE(AppendLogRecord(log.string(), "\tVarnook launched at 01/02/2026 10:00:00\r\n"));
    ASSERT_FALSE(AppendLogRecord(log.string(), "say \"hi\""));
    ASSERT_FALSE(AppendLogRecord(log.string(), ""));
    EXPECT_EQ(Read(log),
              "\"Exiting Varnook.\"\r\n"
              "\"\tVarnook launched at 01/02/2026 10:00:00\r\n\"\r\n"
              "\"say \"hi\"\"\r\n"
              "\"\"\r\n");
}

TEST_F(LogsTest, AppendsToAnExistingFile) {
    const fs::path log = dir_ / "keep.log";
    std::ofstream(log, std::ios::binary) << "old\r\n";
    ASSERT_FALSE(AppendLogRecord(log.string(), "new"));
    EXPECT_EQ(Read(log), "old\r\n\"new\"\r\n");
}

TEST_F(LogsTest, AFolderThatDoesNotExistGivesAnErrorEveryTime) {
    const std::string log = (dir_ / "missing" / "out.log").string();
    for (int i = 0; i < 2; ++i) {
        const auto error = AppendLogRecord(log, "x");
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number, 76);
        EXPECT_EQ(error->description, "Path not found");
    }
    EXPECT_TRUE(AppendLogRecord("", "x"));
    EXPECT_TRUE(AppendLogRecord(dir_.string(), "x"));  // a folder, not a file
}

TEST_F(LogsTest, ANamedPipeIsRefusedWithoutWaitingForAReader) {
    const fs::path pipe = dir_ / "pipe.log";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto append = [&pipe] { return AppendLogRecord(pipe.string(), "x"); };
    auto pending = std::async(std::launch::async, append);
    if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A writer waiting for a reader: let it go, then fail.
        const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
        pending.wait();
        ::close(reader);
        FAIL() << "the log writer waited for a reader of the pipe";
    }
    auto error = pending.get();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 75);
    // With a reader present the pipe is still no log.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    error = append();
    ::close(reader);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description, "Path/File access error (not a regular file)");
    EXPECT_TRUE(AppendLogRecord("/dev/null", "x"));
}

TEST(LogText, NulCutAndTimeStamps) {
    std::string text("abc\0def", 7);
    CutAtNul(text);
    EXPECT_EQ(text, "abc");
    std::tm t{};
    t.tm_mday = 7;
    t.tm_mon = 11;
    t.tm_year = 126;
    t.tm_hour = 8;
    t.tm_min = 5;
    t.tm_sec = 9;
    EXPECT_EQ(TimeStamp(t), "07/12/2026, 08:05:09");
    EXPECT_EQ(GeneralDate(t), "07/12/2026 08:05:09");
}

}  // namespace
}  // namespace varnook
