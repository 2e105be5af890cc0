#include "output.h"

#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "changes.h"

namespace varnook::cli {
namespace {

const ReportShape kShape{
    "who-has", "connections", {{"connection", "CONN", true}, {"user", "USER"}}};

std::string Write(Format format, const RunInfo& run, const std::vector<std::vector<Cell>>& rows,
                  const std::vector<Change>& changes = {}) {
    std::ostringstream out;
    auto report = MakeReport(format, out, kShape, run);
    report->begin({{"path", "File", std::string("G:\\a.xls")}, {"server", "", Cell{}}});
    for (size_t i = 0; i < rows.size(); ++i) {
        report->row(rows[i], i < changes.size() ? changes[i] : Change::None);
    }
    report->end({{"count", "", int64_t{2}}}, "2 users have file open");
    return out.str();
}

TEST(Csv, FieldsAreQuotedOnlyWhenNeededWithQuotesDoubled) {
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(CsvField(" padded"), "\" padded\"");
    EXPECT_EQ(CsvField("Report 2024.xls"), "Report 2024.xls");
}

TEST(Csv, HeadingThenRowsAndNothingElse) {
    const std::string text =
        Write(Format::Csv, {}, {{int64_t{12}, std::string("J,SMITH")}, {int64_t{14}, Cell{}}});
    EXPECT_EQ(text, "connection,user\n12,\"J,SMITH\"\n14,\n");
}

TEST(Csv, WatchedRunsWriteTheHeadingOnceAndLeadWithRunAndChange) {
    EXPECT_EQ(Write(Format::Csv, {1, "t"}, {{int64_t{12}, std::string("A")}}, {Change::New}),
              "run,change,connection,user\n1,new,12,A\n");
    EXPECT_EQ(Write(Format::Csv, {2, "t"}, {{int64_t{12}, std::string("A")}}, {Change::Gone}),
              "2,gone,12,A\n");
}

TEST(Json, OneDocumentWithHeadRowsAndTailInOrder) {
    const std::string text = Write(
        Format::Json, {}, {{int64_t{12}, std::string("J\"S\\\xc3\xa9")}, {int64_t{14}, Cell{}}});
    const auto doc = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(doc.dump(),
              R"({"command":"who-has","path":"G:\\a.xls","server":null,"connections":[)"
              R"({"connection":12,"user":"J\"S\\é"},{"connection":14,"user":null}],"count":2})");
}

TEST(Json, EmptyListAndWatchedRunsAreCompactLinesWithRunTimeAndChange) {
    EXPECT_EQ(nlohmann::json::parse(Write(Format::Json, {}, {}))["connections"],
              nlohmann::json::array());
    const std::string text = Write(Format::Json, {3, "2026-05-01T10:00:00"},
                                   {{int64_t{1}, std::string("A")}}, {Change::Changed});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    const auto doc = nlohmann::json::parse(text);
    EXPECT_EQ(doc["run"], 3);
    EXPECT_EQ(doc["time"], "2026-05-01T10:00:00");
    EXPECT_EQ(doc["connections"][0]["change"], "changed");
}

TEST(Json, InvalidUtf8NeverBreaksTheDocument) {
    const std::string text = Write(Format::Json, {}, {{int64_t{1}, std::string("bad \xff byte")}});
    EXPECT_NO_THROW(nlohmann::json::parse(text));
}

TEST(Table, ColumnsAlignNumbersRightAndTheLastColumnIsNotPadded) {
    const std::string text =
        Write(Format::Table, {},
              {{int64_t{7}, std::string("J\xc3\xa9")}, {int64_t{1234}, std::string("MB")}});
    EXPECT_EQ(text,
              "File: G:\\a.xls\n"
              "CONN  USER\n"
              "   7  J\xc3\xa9\n"
              "1234  MB\n"
              "2 users have file open\n");
}

TEST(Table, NoRowsNoHeading) {
    EXPECT_EQ(Write(Format::Table, {}, {}), "File: G:\\a.xls\n2 users have file open\n");
}

TEST(Table, WatchedRunsAreSeparatedAndMarkChangesFromTheSecondRun) {
    EXPECT_EQ(Write(Format::Table, {1, "T1"}, {{int64_t{1}, std::string("A")}}, {Change::New}),
              "--- run 1 at T1\nFile: G:\\a.xls\nCONN  USER\n   1  A\n2 users have file open\n");
    EXPECT_EQ(Write(Format::Table, {2, "T2"},
                    {{int64_t{1}, std::string("A")},
                     {int64_t{2}, std::string("B")},
                     {int64_t{3}, std::string("C")},
                     {int64_t{4}, std::string("D")}},
                    {Change::Same, Change::New, Change::Changed, Change::Gone}),
              "\n--- run 2 at T2\nFile: G:\\a.xls\n"
              "  CONN  USER\n     1  A\n+    2  B\n*    3  C\n-    4  D\n"
              "2 users have file open (1 new, 1 changed, 1 gone)\n");
}

TEST(Table, SingleRowAnswersAreLabelLines) {
    const ReportShape shape{
        "user-info", "info", {{"user", "User:"}, {"openFiles", "Open files:"}}, true};
    std::ostringstream out;
    auto report = MakeReport(Format::Table, out, shape, {});
    report->begin({});
    report->row({std::string("JSMITH"), int64_t{2}}, Change::None);
    report->end({}, "");
    EXPECT_EQ(out.str(), "User:        JSMITH\nOpen files:  2\n");

    std::ostringstream json;
    auto jsonReport = MakeReport(Format::Json, json, shape, {});
    jsonReport->begin({});
    jsonReport->row({std::string("JSMITH"), int64_t{2}}, Change::None);
    jsonReport->end({}, "");
    EXPECT_EQ(nlohmann::json::parse(json.str())["info"]["openFiles"], 2);
}

TEST(ChangeTracker, NewChangedSameAndGoneByKey) {
    ChangeTracker t({0});
    EXPECT_EQ(t.mark({int64_t{1}, std::string("A")}), Change::New);
    EXPECT_EQ(t.mark({int64_t{2}, std::string("B")}), Change::New);
    EXPECT_EQ(t.mark({int64_t{3}, std::string("C")}), Change::New);
    EXPECT_TRUE(t.finishRun().empty());

    EXPECT_EQ(t.mark({int64_t{2}, std::string("B")}), Change::Same);
    EXPECT_EQ(t.mark({int64_t{3}, std::string("X")}), Change::Changed);
    EXPECT_EQ(t.mark({int64_t{4}, std::string("D")}), Change::New);
    const auto gone = t.finishRun();
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0], (std::vector<Cell>{int64_t{1}, std::string("A")}));

    // A number and a text of the same digits are different keys; gone rows come in their order.
    EXPECT_EQ(t.mark({std::string("2"), std::string("B")}), Change::New);
    const auto all = t.finishRun();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0][0], Cell{int64_t{2}});
    EXPECT_EQ(all[2][0], Cell{int64_t{4}});
}

TEST(ChangeTracker, RowsWithTheSameKeyCountByOccurrence) {
    ChangeTracker t({0});
    t.mark({std::string("a.xls"), int64_t{1}});
    t.mark({std::string("a.xls"), int64_t{2}});
    t.finishRun();
    EXPECT_EQ(t.mark({std::string("a.xls"), int64_t{1}}), Change::Same);
    const auto gone = t.finishRun();
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0][1], Cell{int64_t{2}});
}

}  // namespace
}  // namespace varnook::cli
