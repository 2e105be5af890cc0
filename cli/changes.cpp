#include "changes.h"

#include <algorithm>

namespace varnook::cli {

std::string ChangeTracker::keyOf(const std::vector<Cell>& row) {
    std::string key;
    for (size_t column : keyColumns_) {
        const Cell& cell = column < row.size() ? row[column] : Cell{};
        if (const auto* text = std::get_if<std::string>(&cell)) {
            key += 's' + *text;
        } else if (const auto* number = std::get_if<int64_t>(&cell)) {
            key += 'n' + std::to_string(*number);
        } else if (const auto* truth = std::get_if<bool>(&cell)) {
            key += *truth ? "t" : "f";
        }
        key += '\x1f';
    }
    const size_t nth = occurrences_[key]++;
    return key + std::to_string(nth);
}

Change ChangeTracker::mark(const std::vector<Cell>& row) {
    const std::string key = keyOf(row);
    const size_t order = current_.size();
    current_[key] = Seen{row, order};
    const auto before = previous_.find(key);
    if (before == previous_.end()) {
        return Change::New;
    }
    const Change change = before->second.row == row ? Change::Same : Change::Changed;
    previous_.erase(before);
    return change;
}

std::vector<std::vector<Cell>> ChangeTracker::finishRun() {
    std::vector<Seen> gone;
    gone.reserve(previous_.size());
    for (auto& [key, seen] : previous_) {
        gone.push_back(std::move(seen));
    }
    std::sort(gone.begin(), gone.end(),
              [](const Seen& a, const Seen& b) { return a.order < b.order; });
    std::vector<std::vector<Cell>> rows;
    rows.reserve(gone.size());
    for (Seen& s : gone) {
        rows.push_back(std::move(s.row));
    }
    previous_ = std::move(current_);
    current_.clear();
    occurrences_.clear();
    return rows;
}

}  // namespace varnook::cli
