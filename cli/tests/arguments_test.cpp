// Hostile arguments and lost output: numbers read strictly and refused in words, a watch that
// cannot spin, and answers that did not arrive reported as a failure.
#include "fixture.h"

namespace varnook::cli::test {
namespace {

TEST_P(CliTest, NumbersOutOfRangeOrOddlyWrittenAreRefusedInWords) {
    const std::string kReport = "G:\\Quarterly Report.xls";
    const std::vector<std::vector<std::string>> refused{
        {"--wait-free", kReport, "--timeout", "1e10"},
        {"--wait-free", kReport, "--timeout", "1e308"},
        {"--wait-free", kReport, "--timeout", "nan"},
        {"--wait-free", kReport, "--timeout", "inf"},
        {"--wait-free", kReport, "--timeout", "0x10"},
        {"servers", "--watch", "nan"},
        {"servers", "--watch", "1e-300"},
        {"servers", "--watch", "0.05"},
        {"servers", "--watch", "1e308"},
        {"servers", "--watch", "0"},
        {"servers", "--watch", "1", "--count", "0x10"},
        {"user-info", "FS1", "0x10"},
        {"user-info", "FS1", " 12"},
        {"user-info", "FS1", "+12"},
        {"user-info", "FS1", "65536"},
        {"clear", "FS1", "12", "1e1", "--yes"},
    };
    for (const auto& args : refused) {
        const CliRun r = cli.run(args);
        EXPECT_EQ(r.code, kExitUsage) << args.back() << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, "give ")) << r.err;
        EXPECT_FALSE(Contains(r.err, "17976931")) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(cli.sleeps, 0) << "nothing waited";
    // Numbers as people write them pass; leading zeros are decimal.
    EXPECT_EQ(Json({"user-info", "FS1", "012"})["info"]["user"], "JSMITH");
    EXPECT_EQ(cli.run({"--wait-free", kReport, "--timeout", "1.5e0"}).code, kExitNotFound);
}

TEST_P(CliTest, AWatchPausesAtLeastItsShortestInterval) {
    const CliRun r = cli.run({"servers", "--watch", "0.1", "--count", "3", "--csv"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(cli.sleeps, 2);
    EXPECT_EQ(cli.slept, std::chrono::milliseconds(200));
}

TEST_P(CliTest, AnAnswerThatCannotBeWrittenIsAFailure) {
    cli.outputFull = true;
    CliRun r = cli.run({"servers", "--json"});
    EXPECT_EQ(r.code, kExitOutput);
    EXPECT_TRUE(Contains(r.err, "could not be written")) << r.err;
    // A watch stops at once instead of running on without an audience.
    cli.onSleep = [](int n) { return n < 3; };
    r = cli.run({"servers", "--watch", "1"});
    EXPECT_EQ(r.code, kExitOutput);
    EXPECT_EQ(cli.sleeps, 0);
    // A failure keeps its own code, and the lost output is still told.
    r = cli.run({"user-info", "FS1", "99"});
    EXPECT_EQ(r.code, kExitNotFound) << r.err;
    EXPECT_TRUE(Contains(r.err, "could not be written")) << r.err;
}

}  // namespace
}  // namespace varnook::cli::test
