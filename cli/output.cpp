#include "output.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace varnook::cli {

namespace {

std::string JsonText(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string JsonValue(const Cell& cell) {
    if (const auto* text = std::get_if<std::string>(&cell)) {
        return JsonText(*text);
    }
    if (const auto* number = std::get_if<int64_t>(&cell)) {
        return std::to_string(*number);
    }
    if (const auto* truth = std::get_if<bool>(&cell)) {
        return *truth ? "true" : "false";
    }
    return "null";
}

std::string PlainText(const Cell& cell) {
    if (const auto* text = std::get_if<std::string>(&cell)) {
        return *text;
    }
    if (const auto* number = std::get_if<int64_t>(&cell)) {
        return std::to_string(*number);
    }
    if (const auto* truth = std::get_if<bool>(&cell)) {
        return *truth ? "yes" : "no";
    }
    return {};
}

std::string Pad(const std::string& text, size_t width, bool right) {
    const size_t w = DisplayWidth(text);
    if (w >= width) {
        return text;
    }
    const std::string fill(width - w, ' ');
    return right ? fill + text : text + fill;
}

// The JSON document, member by member. A watched query writes one compact document per line;
// otherwise each member and row stands on its own line.
class JsonReport final : public Report {
public:
    JsonReport(std::ostream& out, const ReportShape& shape, const RunInfo& run)
        : out_(out), shape_(shape), run_(run), compact_(run.run > 0) {}

    void begin(const Fields& head) override {
        out_ << '{';
        member("command", JsonText(shape_.command));
        if (run_.run > 0) {
            member("run", std::to_string(run_.run));
            member("time", JsonText(run_.time));
        }
        for (const Field& f : head) {
            member(f.key, JsonValue(f.value));
        }
        member(shape_.listKey, shape_.single ? "" : "[");
    }

    void row(const std::vector<Cell>& cells, Change change) override {
        std::string text = "{";
        for (size_t i = 0; i < shape_.columns.size(); ++i) {
            const Cell none;
            text += (i > 0 ? ", " : "") + JsonText(shape_.columns[i].key) + ": " +
                    JsonValue(i < cells.size() ? cells[i] : none);
        }
        if (change != Change::None) {
            text += std::string(", \"change\": ") + JsonText(ChangeName(change));
        }
        text += '}';
        if (shape_.single) {
            out_ << text;
            wroteRow_ = true;
            return;
        }
        out_ << (rows_++ > 0 ? "," : "") << (compact_ ? "" : "\n    ") << text;
    }

    void end(const Fields& tail, const std::string&) override {
        if (shape_.single) {
            if (!wroteRow_) {
                out_ << "null";
            }
        } else {
            out_ << (compact_ || rows_ == 0 ? "" : "\n  ") << ']';
        }
        for (const Field& f : tail) {
            member(f.key, JsonValue(f.value));
        }
        out_ << (compact_ ? "" : "\n") << "}\n";
    }

private:
    void member(const std::string& key, const std::string& value) {
        out_ << (members_++ > 0 ? "," : "") << (compact_ ? "" : "\n  ") << JsonText(key) << ": "
             << value;
    }

    std::ostream& out_;
    const ReportShape& shape_;
    RunInfo run_;
    bool compact_;
    int members_ = 0;
    size_t rows_ = 0;
    bool wroteRow_ = false;
};

// CSV: one heading line of the column keys, then the rows. A watched query writes the heading
// once and puts the run number and the change in front of every row.
class CsvReport final : public Report {
public:
    CsvReport(std::ostream& out, const ReportShape& shape, const RunInfo& run)
        : out_(out), shape_(shape), run_(run) {}

    void begin(const Fields&) override {
        if (run_.run > 1) {
            return;
        }
        std::string line = run_.run > 0 ? "run,change," : "";
        for (size_t i = 0; i < shape_.columns.size(); ++i) {
            line += (i > 0 ? "," : "") + CsvField(shape_.columns[i].key);
        }
        out_ << line << '\n';
    }

    void row(const std::vector<Cell>& cells, Change change) override {
        std::string line;
        if (run_.run > 0) {
            line = std::to_string(run_.run) + "," + ChangeName(change) + ",";
        }
        for (size_t i = 0; i < shape_.columns.size(); ++i) {
            line += (i > 0 ? "," : "") + CsvField(i < cells.size() ? PlainText(cells[i]) : "");
        }
        out_ << line << '\n';
    }

    void end(const Fields&, const std::string&) override { out_.flush(); }

private:
    std::ostream& out_;
    const ReportShape& shape_;
    RunInfo run_;
};

// The readable table: headings and columns aligned to their widest value, numbers to the right.
// A watched query marks rows from its second run on: "+" new, "*" changed, "-" gone.
class TableReport final : public Report {
public:
    TableReport(std::ostream& out, const ReportShape& shape, const RunInfo& run)
        : out_(out), shape_(shape), run_(run) {}

    void begin(const Fields& head) override {
        if (run_.run > 0) {
            out_ << (run_.run > 1 ? "\n" : "") << "--- run " << run_.run << " at " << run_.time
                 << '\n';
        }
        for (const Field& f : head) {
            if (!f.label.empty() && !std::holds_alternative<std::monostate>(f.value)) {
                out_ << f.label << ": " << PlainText(f.value) << '\n';
            }
        }
    }

    void row(const std::vector<Cell>& cells, Change change) override {
        std::vector<std::string> texts;
        for (size_t i = 0; i < shape_.columns.size(); ++i) {
            texts.push_back(i < cells.size() ? PlainText(cells[i]) : std::string());
        }
        rows_.push_back({std::move(texts), change});
    }

    void end(const Fields&, const std::string& summary) override {
        if (shape_.single) {
            writeLabels();
        } else {
            writeTable();
        }
        std::string closing = summary;
        if (run_.run > 1) {
            closing += (closing.empty() ? "" : " ") + changeCounts();
        }
        if (!closing.empty()) {
            out_ << closing << '\n';
        }
        out_.flush();
    }

private:
    struct Row {
        std::vector<std::string> texts;
        Change change;
    };

    void writeLabels() {
        if (rows_.empty()) {
            return;
        }
        size_t width = 0;
        for (const Column& c : shape_.columns) {
            width = std::max(width, DisplayWidth(c.header));
        }
        for (size_t i = 0; i < shape_.columns.size(); ++i) {
            out_ << Pad(shape_.columns[i].header, width, false) << "  " << rows_[0].texts[i]
                 << '\n';
        }
    }

    void writeTable() {
        if (rows_.empty()) {
            return;
        }
        std::vector<size_t> widths;
        for (const Column& c : shape_.columns) {
            widths.push_back(DisplayWidth(c.header));
        }
        for (const Row& r : rows_) {
            for (size_t i = 0; i < widths.size(); ++i) {
                widths[i] = std::max(widths[i], DisplayWidth(r.texts[i]));
            }
        }
        const bool marks = run_.run > 1;
        std::vector<std::string> headers;
        for (const Column& c : shape_.columns) {
            headers.push_back(c.header);
        }
        writeLine(headers, widths, marks ? "  " : "");
        for (const Row& r : rows_) {
            writeLine(r.texts, widths, marks ? std::string(Mark(r.change)) + " " : "");
        }
    }

    void writeLine(const std::vector<std::string>& texts, const std::vector<size_t>& widths,
                   const std::string& mark) {
        std::string line = mark;
        for (size_t i = 0; i < texts.size(); ++i) {
            const bool last = i + 1 == texts.size();
            const bool right = shape_.columns[i].numeric;
            line +=
                (i > 0 ? "  " : "") + (last && !right ? texts[i] : Pad(texts[i], widths[i], right));
        }
        // An empty cell in a last, right-aligned column leaves blanks at the end.
        line.erase(line.find_last_not_of(' ') + 1);
        out_ << line << '\n';
    }

    static const char* Mark(Change change) {
        switch (change) {
            case Change::New:
                return "+";
            case Change::Changed:
                return "*";
            case Change::Gone:
                return "-";
            default:
                return " ";
        }
    }

    std::string changeCounts() const {
        size_t added = 0, changed = 0, gone = 0;
        for (const Row& r : rows_) {
            added += r.change == Change::New;
            changed += r.change == Change::Changed;
            gone += r.change == Change::Gone;
        }
        return "(" + std::to_string(added) + " new, " + std::to_string(changed) + " changed, " +
               std::to_string(gone) + " gone)";
    }

    std::ostream& out_;
    const ReportShape& shape_;
    RunInfo run_;
    std::vector<Row> rows_;
};

}  // namespace

const char* ChangeName(Change change) {
    switch (change) {
        case Change::New:
            return "new";
        case Change::Changed:
            return "changed";
        case Change::Same:
            return "same";
        case Change::Gone:
            return "gone";
        case Change::None:
            break;
    }
    return "";
}

std::unique_ptr<Report> MakeReport(Format format, std::ostream& out, const ReportShape& shape,
                                   const RunInfo& run) {
    switch (format) {
        case Format::Json:
            return std::make_unique<JsonReport>(out, shape, run);
        case Format::Csv:
            return std::make_unique<CsvReport>(out, shape, run);
        case Format::Table:
            break;
    }
    return std::make_unique<TableReport>(out, shape, run);
}

std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        return text;
    }
    std::string field = "\"";
    for (char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + "\"";
}

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (unsigned char c : text) {
        width += (c & 0xC0) != 0x80;
    }
    return width;
}

}  // namespace varnook::cli
