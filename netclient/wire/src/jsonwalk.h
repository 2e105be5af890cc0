// A small reader for JSON settings files: the document (duplicate keys refused), and Value, one
// value with its JSON path, whose failures name the file, the path and what was expected.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace nw::wire::jsonwalk {

using json = nlohmann::json;

// Parses text; throws Error(file: ...) for invalid JSON or a key given twice in one object.
template <class Error>
json parse(std::string_view text, const std::string& file) {
    struct Level {
        std::string path;
        bool array = false;
        std::size_t index = 0;
        std::vector<std::string> keys;
        std::string key;
    };
    std::vector<Level> levels;
    std::string duplicate;
    auto childPath = [&levels]() -> std::string {
        if (levels.empty()) {
            return "";
        }
        Level& up = levels.back();
        if (up.array) {
            return up.path + "[" + std::to_string(up.index) + "]";
        }
        return up.path.empty() ? up.key : up.path + "." + up.key;
    };
    json::parser_callback_t callback = [&](int, json::parse_event_t event, json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                levels.push_back(
                    {childPath(), event == json::parse_event_t::array_start, 0, {}, {}});
                break;
            case json::parse_event_t::key: {
                Level& level = levels.back();
                level.key = parsed.get<std::string>();
                if (std::find(level.keys.begin(), level.keys.end(), level.key) !=
                        level.keys.end() &&
                    duplicate.empty()) {
                    duplicate = childPath();
                }
                level.keys.push_back(level.key);
                break;
            }
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                levels.pop_back();
                if (!levels.empty() && levels.back().array) {
                    ++levels.back().index;
                }
                break;
            case json::parse_event_t::value:
                if (!levels.empty() && levels.back().array) {
                    ++levels.back().index;
                }
                break;
        }
        return true;
    };
    json document;
    try {
        document = json::parse(text.begin(), text.end(), callback);
    } catch (const json::exception& error) {
        std::string message = error.what();
        const std::size_t end = message.find("] ");
        if (end != std::string::npos) {
            message = message.substr(end + 2);
        }
        throw Error(file + ": not valid JSON: " + message);
    }
    if (!duplicate.empty()) {
        throw Error(file + ": " + duplicate + ": duplicate key");
    }
    return document;
}

template <class Error>
class Value {
public:
    Value(const json* value, std::string path, const std::string& file)
        : value_(value), path_(std::move(path)), file_(&file) {}

    bool present() const { return value_ != nullptr; }
    const std::string& path() const { return path_; }

    [[noreturn]] void fail(const std::string& expected) const {
        const std::string where = *file_ + ": " + (path_.empty() ? "top level" : path_) + ": ";
        if (!present()) {
            throw Error(where + "missing; expected " + expected);
        }
        throw Error(where + "expected " + expected + ", got " + describe());
    }

    void expectObject(std::initializer_list<std::string_view> keys) const {
        if (!present() || !value_->is_object()) {
            fail("an object");
        }
        for (const auto& item : value_->items()) {
            if (std::find(keys.begin(), keys.end(), item.key()) != keys.end()) {
                continue;
            }
            std::string known;
            for (std::string_view key : keys) {
                known += (known.empty() ? "" : ", ") + std::string(key);
            }
            throw Error(*file_ + ": " + child(item.key()) +
                        ": unknown key (expected one of: " + known + ")");
        }
    }

    Value operator[](std::string_view key) const {
        auto it = value_->find(key);
        return Value(it == value_->end() ? nullptr : &*it, child(key), *file_);
    }

    std::vector<Value> itemsOr(const std::string& expected = "an array") const {
        std::vector<Value> out;
        if (!present()) {
            return out;
        }
        if (!value_->is_array()) {
            fail(expected);
        }
        for (std::size_t i = 0; i < value_->size(); ++i) {
            out.emplace_back(&(*value_)[i], path_ + "[" + std::to_string(i) + "]", *file_);
        }
        return out;
    }

    const std::string& string(const std::string& expected = "a string") const {
        if (!present() || !value_->is_string()) {
            fail(expected);
        }
        return value_->get_ref<const std::string&>();
    }

    std::int64_t integer(std::int64_t min, std::int64_t max) const {
        const std::string expected =
            "an integer from " + std::to_string(min) + " to " + std::to_string(max);
        if (!present() || !value_->is_number_integer()) {
            fail(expected);
        }
        if (value_->is_number_unsigned() &&
            value_->get<std::uint64_t>() > static_cast<std::uint64_t>(max)) {
            fail(expected);
        }
        const std::int64_t v = value_->get<std::int64_t>();
        if (v < min || v > max) {
            fail(expected);
        }
        return v;
    }

private:
    std::string child(std::string_view key) const {
        return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
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
                if (text.size() > 60) {
                    text = text.substr(0, 57) + "...";
                }
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

}  // namespace nw::wire::jsonwalk
