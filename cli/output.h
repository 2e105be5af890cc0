// The output layer: every query and action writes its answer as a readable table, one JSON
// document (schema in varnook-cli.schema.json) or CSV rows. Rows are written as they come, so a
// JSON or CSV answer of any length needs no more memory than one row; only the table, whose
// columns are aligned, keeps its rows until the end.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace varnook::cli {

// One value: none (JSON null, an empty CSV field), text (UTF-8), a whole number or a truth value
// (JSON true/false, "yes"/"no" in tables and CSV).
using Cell = std::variant<std::monostate, std::string, int64_t, bool>;

struct Column {
    std::string key;     // JSON member and CSV heading
    std::string header;  // table heading, or the label of a single-row answer
    bool numeric = false;
};

// A value that describes the whole answer (the file asked about, a count), outside the rows.
struct Field {
    std::string key;    // JSON member
    std::string label;  // shown above a table as "label: value"; empty: JSON only
    Cell value;
};
using Fields = std::vector<Field>;

enum class Format { Table, Json, Csv };

// How a row compares with the previous run of a watched query.
enum class Change { None, New, Changed, Same, Gone };
const char* ChangeName(Change change);  // "new", "changed", "same", "gone"; "" for None

struct ReportShape {
    std::string command;  // "who-has"
    std::string listKey;  // the JSON member that holds the rows ("connections")
    std::vector<Column> columns;
    bool single = false;  // exactly one row, written as an object and as label lines
};

// Which run of a watched query this is (run 0: not watching) and when it started.
struct RunInfo {
    int run = 0;
    std::string time;
};

class Report {
public:
    virtual ~Report() = default;
    virtual void begin(const Fields& head) = 0;
    virtual void row(const std::vector<Cell>& cells, Change change) = 0;
    // tail follows the rows in the JSON document; summary is the table's closing line.
    virtual void end(const Fields& tail, const std::string& summary) = 0;
};

std::unique_ptr<Report> MakeReport(Format format, std::ostream& out, const ReportShape& shape,
                                   const RunInfo& run);

// One CSV field: quoted when it holds a comma, a quote, a line break or leading or trailing
// blanks, with quotes doubled.
std::string CsvField(const std::string& text);

// Width of a UTF-8 text in characters (code points).
size_t DisplayWidth(const std::string& text);

}  // namespace varnook::cli
