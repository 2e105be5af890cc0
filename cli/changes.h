// Marks what changed between two runs of a watched query.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "output.h"

namespace varnook::cli {

// Rows are told apart by their key columns (a connection number, a file path). A row whose key
// was not in the previous run is new; one whose key was there with other values has changed; keys
// of the previous run that did not come again are gone. Rows with the same key in one run are
// told apart by the order they come in.
class ChangeTracker {
public:
    explicit ChangeTracker(std::vector<size_t> keyColumns) : keyColumns_(std::move(keyColumns)) {}

    // Marks a row of the current run.
    Change mark(const std::vector<Cell>& row);

    // Ends the current run: answers the rows of the previous run that did not come again, in
    // the order they came then; the current run becomes the previous one.
    std::vector<std::vector<Cell>> finishRun();

private:
    std::string keyOf(const std::vector<Cell>& row);

    struct Seen {
        std::vector<Cell> row;
        size_t order = 0;
    };
    std::vector<size_t> keyColumns_;
    std::unordered_map<std::string, Seen> previous_;
    std::unordered_map<std::string, Seen> current_;
    std::unordered_map<std::string, size_t> occurrences_;
};

}  // namespace varnook::cli
