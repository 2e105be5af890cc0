// The network file's JSON as the loaders read it: a document builder that refuses duplicate
// keys, and Node, one value with its JSON path, whose failures name the file, the path and what
// was expected (LoadError).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "netclient/sim/loaderror.h"

namespace nw::sim {

using json = nlohmann::json;

// Builds the document like nlohmann's own parser but refuses duplicate keys, which would
// otherwise let the last one win silently.
class DomBuilder {
public:
    DomBuilder(json& root, const std::string& file) : root_(root), file_(file) {}

    bool null() { return put(nullptr) != nullptr; }
    bool boolean(bool value) { return put(value) != nullptr; }
    bool number_integer(json::number_integer_t value) { return put(value) != nullptr; }
    bool number_unsigned(json::number_unsigned_t value) { return put(value) != nullptr; }
    bool number_float(json::number_float_t value, const json::string_t&) {
        return put(value) != nullptr;
    }
    bool string(json::string_t& value) { return put(std::move(value)) != nullptr; }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(json::string_t& key) {
        Frame& frame = stack_.back();
        if (frame.container->contains(key)) {
            throw LoadError(file_ + ": " + display(childPath(frame, key)) + ": duplicate key");
        }
        frame.key = key;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        std::string message = error.what();
        std::size_t end = message.find("] ");
        if (end != std::string::npos)
            message = message.substr(end + 2);
        throw LoadError(file_ + ": not valid JSON: " + message);
    }

    static std::string display(const std::string& path) {
        return path.empty() ? "top level" : path;
    }

private:
    struct Frame {
        json* container;
        std::string path;
        std::string key;
    };

    static std::string childPath(const Frame& frame, const std::string& key) {
        return frame.path.empty() ? key : frame.path + "." + key;
    }

    // Puts a value into the current container; the path is worked out for containers only,
    // which need it for their own keys' messages.
    std::pair<json*, std::string> place(json&& value, bool withPath) {
        if (stack_.empty()) {
            root_ = std::move(value);
            return {&root_, ""};
        }
        Frame& frame = stack_.back();
        if (frame.container->is_object()) {
            json& slot = (*frame.container)[frame.key];
            slot = std::move(value);
            return {&slot, withPath ? childPath(frame, frame.key) : std::string()};
        }
        std::string path =
            withPath ? frame.path + "[" + std::to_string(frame.container->size()) + "]" : "";
        frame.container->push_back(std::move(value));
        return {&frame.container->back(), std::move(path)};
    }
    json* put(json&& value) { return place(std::move(value), false).first; }
    bool open(json&& container) {
        auto [slot, path] = place(std::move(container), true);
        stack_.push_back({slot, std::move(path), {}});
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

// One value of the document and where it stands. An absent value (a missing key) has no json.
class Node {
public:
    Node(const json* value, std::string path, const std::string& file)
        : value_(value), path_(std::move(path)), file_(&file) {}

    bool present() const { return value_ != nullptr; }
    const json& json_() const { return *value_; }
    const std::string& path() const { return path_; }
    const std::string& file() const { return *file_; }

    [[noreturn]] void fail(const std::string& expected) const {
        std::string where = *file_ + ": " + DomBuilder::display(path_) + ": ";
        if (!present())
            throw LoadError(where + "missing; expected " + expected);
        throw LoadError(where + "expected " + expected + ", got " + describe());
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
            Node(&item.value(), child(item.key()), *file_).failUnknown(known);
        }
    }
    Node operator[](std::string_view key) const {
        auto it = value_->find(key);
        return Node(it == value_->end() ? nullptr : &*it, child(key), *file_);
    }

    std::vector<Node> items(const std::string& expected = "an array") const {
        if (!present() || !value_->is_array())
            fail(expected);
        std::vector<Node> out;
        for (std::size_t i = 0; i < value_->size(); ++i) {
            out.emplace_back(&(*value_)[i], path_ + "[" + std::to_string(i) + "]", *file_);
        }
        return out;
    }
    std::vector<Node> itemsOr(const std::string& expected = "an array") const {
        return present() ? items(expected) : std::vector<Node>{};
    }

    const std::string& string(const std::string& expected = "a string") const {
        if (!present() || !value_->is_string())
            fail(expected);
        return value_->get_ref<const std::string&>();
    }
    bool isString() const { return present() && value_->is_string(); }

    std::int64_t integer(std::int64_t min, std::int64_t max) const {
        std::string expected =
            "an integer from " + std::to_string(min) + " to " + std::to_string(max);
        if (!present() || !value_->is_number_integer())
            fail(expected);
        if (value_->is_number_unsigned() &&
            value_->get<std::uint64_t>() > static_cast<std::uint64_t>(max)) {
            fail(expected);
        }
        std::int64_t v = value_->get<std::int64_t>();
        if (v < min || v > max)
            fail(expected);
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
    std::string child(std::string_view key) const {
        return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
    }
    [[noreturn]] void failUnknown(const std::string& known) const {
        throw LoadError(*file_ + ": " + path_ + ": unknown key (expected one of: " + known + ")");
    }
    std::string describe() const {
        switch (value_->type()) {
            case json::value_t::object:
                return "an object";
            case json::value_t::array:
                return "an array";
            case json::value_t::null:
                return "null";
            case json::value_t::string: {
                std::string text = value_->get<std::string>();
                if (text.size() > 60)
                    text = text.substr(0, 57) + "...";
                return json(text).dump();
            }
            default:
                return value_->dump();
        }
    }

    const json* value_;
    std::string path_;
    const std::string* file_;
};

inline bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

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
