// The network file's JSON as the loaders read it: a document builder that refuses duplicate
// keys and nesting deeper than kMaxJsonDepth, and Node, one value with where it stands, whose
// failures name the file, the JSON path and what was expected (LoadError).
//
// Paths are worked out only when a message needs one: a value knows its parent and its key or
// index, so a file costs memory in proportion to its size, however deep or wide it is.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jsonarena.h"
#include "netclient/sim/loaderror.h"

namespace nw::sim {

// Documents live in the loader's arena (jsonarena.h).
using json = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, double, ArenaAllocator>;

// Objects and arrays may nest this deep; deeper files are refused.
inline constexpr std::size_t kMaxJsonDepth = 256;

inline bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Text for a message: control characters (which could move the cursor or recolour a terminal)
// become \u00XX.
inline std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", byte);
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

// One step of a JSON path: a key of an object or an index of an array below a parent step.
// Keys are views of the document's keys or of the loader's literals, which outlive every step.
struct JsonStep {
    std::shared_ptr<const JsonStep> parent;
    std::string_view key;
    std::size_t index = 0;
    bool isIndex = false;
};

// A key longer than this shows cut in paths.
inline constexpr std::size_t kMaxShownKey = 64;

// Cuts text to at most size bytes on a UTF-8 character boundary, marking the cut with "...".
inline std::string shortened(std::string_view text, std::size_t size) {
    if (text.size() <= size)
        return std::string(text);
    std::size_t cut = size - 3;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

inline void appendStep(std::string& path, std::string_view key, std::size_t index, bool isIndex) {
    if (isIndex) {
        path += "[" + std::to_string(index) + "]";
    } else {
        if (!path.empty())
            path += '.';
        path += escapeControls(shortened(key, kMaxShownKey));
    }
}

// "servers[0].name"; "top level" for the document itself.
inline std::string displayPath(const std::string& path) {
    return path.empty() ? "top level" : path;
}

// Builds the document like nlohmann's own parser but refuses duplicate keys, which would
// otherwise let the last one win silently, and nesting deeper than kMaxJsonDepth.
class DomBuilder {
public:
    DomBuilder(json& root, const std::string& file) : root_(root), file_(file) {}

    bool null() { return put(nullptr); }
    bool boolean(bool value) { return put(value); }
    bool number_integer(json::number_integer_t value) { return put(value); }
    bool number_unsigned(json::number_unsigned_t value) { return put(value); }
    bool number_float(json::number_float_t value, const json::string_t&) { return put(value); }
    bool string(json::string_t& value) { return put(std::move(value)); }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(json::string_t& key) {
        Frame& frame = stack_.back();
        frame.key = key;
        if (frame.container->contains(key))
            throw LoadError(file_ + ": " + displayPath(path(stack_.size())) + ": duplicate key");
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        std::string message = error.what();
        std::size_t end = message.find("] ");
        if (end != std::string::npos)
            message = message.substr(end + 2);
        throw LoadError(file_ + ": not valid JSON: " + escapeControls(message));
    }

private:
    struct Frame {
        json* container;
        std::string key;  // of the member being read, in an object
    };

    // The path of the value the first `frames` containers lead to: their current members.
    std::string path(std::size_t frames) const {
        std::string out;
        for (std::size_t i = 0; i < frames; ++i) {
            const Frame& frame = stack_[i];
            bool isArray = frame.container->is_array();
            appendStep(out, frame.key, isArray ? frame.container->size() - 1 : 0, isArray);
        }
        return out;
    }

    // Puts a value into the current container.
    json* place(json&& value) {
        if (stack_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Frame& frame = stack_.back();
        if (frame.container->is_object()) {
            json& slot = (*frame.container)[frame.key];
            slot = std::move(value);
            return &slot;
        }
        frame.container->push_back(std::move(value));
        return &frame.container->back();
    }
    bool put(json&& value) {
        place(std::move(value));
        return true;
    }
    bool open(json&& container) {
        json* slot = place(std::move(container));
        if (stack_.size() >= kMaxJsonDepth) {
            throw LoadError(file_ + ": " + path(stack_.size()) + ": nested too deeply (at most " +
                            std::to_string(kMaxJsonDepth) + " levels of objects and arrays)");
        }
        stack_.push_back({slot, {}});
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }

    json& root_;
    const std::string& file_;
    std::vector<Frame> stack_;
};

// One value of the document and where it stands: its parent's step and its own key or index.
// A node makes a shared step of itself only when it hands out children, so reading the scalars of
// an object allocates nothing. An absent value (a missing key) has no json.
class Node {
public:
    // The document itself.
    Node(const json* document, const std::string& file) : value_(document), file_(&file) {}

    bool present() const { return value_ != nullptr; }
    const json& json_() const { return *value_; }
    const std::string& file() const { return *file_; }
    // "servers[0].name", worked out on each call.
    std::string path() const {
        std::vector<const JsonStep*> steps;
        for (const JsonStep* step = parent_.get(); step != nullptr; step = step->parent.get())
            steps.push_back(step);
        std::string out;
        for (auto it = steps.rbegin(); it != steps.rend(); ++it)
            appendStep(out, (*it)->key, (*it)->index, (*it)->isIndex);
        if (!isRoot())
            appendStep(out, key_, index_, isIndex_);
        return out;
    }

    // Throws "FILE: PATH: what".
    [[noreturn]] void refuse(const std::string& what) const {
        throw LoadError(*file_ + ": " + displayPath(path()) + ": " + what);
    }
    [[noreturn]] void fail(std::string_view expected) const {
        if (!present())
            refuse("missing; expected " + std::string(expected));
        refuse("expected " + std::string(expected) + ", got " + describe());
    }

    // The object's members; a key outside keys is an error.
    void expectObject(std::initializer_list<std::string_view> keys) const {
        if (!present() || !value_->is_object())
            fail("an object");
        for (const auto& item : value_->items()) {
            if (std::find(keys.begin(), keys.end(), item.key()) != keys.end())
                continue;
            std::string known;
            for (std::string_view key : keys)
                known += (known.empty() ? "" : ", ") + std::string(key);
            member(item.key(), &item.value())
                .refuse("unknown key (expected one of: " + known + ")");
        }
    }
    // key: a literal or a key of the document, which outlive the node.
    Node operator[](std::string_view key) const {
        auto it = value_->find(key);
        return member(key, it == value_->end() ? nullptr : &*it);
    }
    // The member of an object at key whose value is value (null: absent).
    Node member(std::string_view key, const json* value) const {
        return Node(value, step(), key, 0, false, *file_);
    }

    std::vector<Node> items(std::string_view expected = "an array") const {
        if (!present() || !value_->is_array())
            fail(expected);
        std::vector<Node> out;
        out.reserve(value_->size());
        std::shared_ptr<const JsonStep> parent = step();
        for (std::size_t i = 0; i < value_->size(); ++i)
            out.push_back(Node(&(*value_)[i], parent, {}, i, true, *file_));
        return out;
    }
    std::vector<Node> itemsOr(std::string_view expected = "an array") const {
        return present() ? items(expected) : std::vector<Node>{};
    }

    const std::string& string(std::string_view expected = "a string") const {
        if (!present() || !value_->is_string())
            fail(expected);
        return value_->get_ref<const std::string&>();
    }
    bool isString() const { return present() && value_->is_string(); }

    std::int64_t integer(std::int64_t min, std::int64_t max) const {
        auto expected = [&] {
            return "an integer from " + std::to_string(min) + " to " + std::to_string(max);
        };
        if (!present() || !value_->is_number_integer())
            fail(expected());
        if (value_->is_number_unsigned() &&
            value_->get<std::uint64_t>() > static_cast<std::uint64_t>(max)) {
            fail(expected());
        }
        std::int64_t v = value_->get<std::int64_t>();
        if (v < min || v > max)
            fail(expected());
        return v;
    }
    std::int64_t integerOr(std::int64_t fallback, std::int64_t min, std::int64_t max) const {
        return present() ? integer(min, max) : fallback;
    }
    bool boolean() const {
        if (!present() || !value_->is_boolean())
            fail("true or false");
        return value_->get<bool>();
    }
    bool booleanOr(bool fallback) const { return present() ? boolean() : fallback; }

private:
    Node(const json* value, std::shared_ptr<const JsonStep> parent, std::string_view key,
         std::size_t index, bool isIndex, const std::string& file)
        : value_(value),
          parent_(std::move(parent)),
          key_(key),
          index_(index),
          isIndex_(isIndex),
          file_(&file) {}

    bool isRoot() const { return !isIndex_ && key_.data() == nullptr; }

    // This node as the parent step of its children, made on first use.
    std::shared_ptr<const JsonStep> step() const {
        if (!step_ && !isRoot())
            step_ = std::allocate_shared<const JsonStep>(ArenaAllocator<JsonStep>(),
                                                         JsonStep{parent_, key_, index_, isIndex_});
        return step_;
    }

    // The value as a message shows it: long strings cut (on a character boundary), control
    // characters escaped.
    std::string describe() const {
        switch (value_->type()) {
            case json::value_t::object:
                return "an object";
            case json::value_t::array:
                return "an array";
            case json::value_t::null:
                return "null";
            case json::value_t::string: {
                return json(shortened(value_->get_ref<const std::string&>(), 60))
                    .dump(-1, ' ', false, json::error_handler_t::replace);
            }
            default:
                return value_->dump();
        }
    }

    const json* value_;
    std::shared_ptr<const JsonStep> parent_;
    std::string_view key_;
    std::size_t index_ = 0;
    bool isIndex_ = false;
    mutable std::shared_ptr<const JsonStep> step_;  // this node, once it has children
    const std::string* file_;
};

// A local time "YYYY-MM-DDTHH:MM:SS" with a year from minYear to maxYear; fails the node with
// that expectation otherwise.
struct LocalTime {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

inline LocalTime parseLocalTime(const Node& node, int minYear, int maxYear) {
    const std::string expected = "a local time YYYY-MM-DDTHH:MM:SS between " +
                                 std::to_string(minYear) + " and " + std::to_string(maxYear) +
                                 ", e.g. \"2026-12-07T08:15:30\"";
    const std::string& text = node.string(expected);
    LocalTime t;
    char tail = 0;
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' ||
        std::sscanf(text.c_str(), "%4d-%2u-%2u%*c%2u:%2u:%2u%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &tail) != 6) {
        node.fail(expected);
    }
    std::chrono::year_month_day date{std::chrono::year(t.year), std::chrono::month(t.month),
                                     std::chrono::day(t.day)};
    if (t.year < minYear || t.year > maxYear || !date.ok() || t.hour > 23 || t.minute > 59 ||
        t.second > 59) {
        node.fail(expected);
    }
    return t;
}

}  // namespace nw::sim
