#include "schemacheck.h"

#include <fstream>
#include <set>

namespace varnook::cli::test {

namespace {

using nlohmann::json;

class Checker {
public:
    explicit Checker(const json& root) : root_(root) {}

    void check(const json& schema, const json& value, const std::string& at) {
        static const std::set<std::string> known = {
            "$schema", "$id",   "$defs",   "title",      "description",          "$ref",
            "type",    "const", "enum",    "properties", "additionalProperties", "required",
            "items",   "oneOf", "minimum", "examples"};
        for (const auto& [key, unused] : schema.items()) {
            if (known.count(key) == 0) {
                problem(at, "the schema uses the unchecked keyword " + key);
            }
        }
        if (schema.contains("$ref")) {
            const std::string ref = schema["$ref"];
            const std::string prefix = "#/$defs/";
            if (ref.rfind(prefix, 0) != 0 || !root_["$defs"].contains(ref.substr(prefix.size()))) {
                problem(at, "unresolved $ref " + ref);
                return;
            }
            check(root_["$defs"][ref.substr(prefix.size())], value, at);
        }
        if (schema.contains("type") && !typeMatches(schema["type"], value)) {
            problem(at, "expected type " + schema["type"].dump() + ", found " + value.dump());
            return;
        }
        if (schema.contains("const") && schema["const"] != value) {
            problem(at, "expected " + schema["const"].dump() + ", found " + value.dump());
        }
        if (schema.contains("enum")) {
            bool any = false;
            for (const json& v : schema["enum"]) {
                any = any || v == value;
            }
            if (!any) {
                problem(at, value.dump() + " is not one of " + schema["enum"].dump());
            }
        }
        if (schema.contains("minimum") && value.is_number() && value < schema["minimum"]) {
            problem(at, value.dump() + " is below " + schema["minimum"].dump());
        }
        if (value.is_object()) {
            checkObject(schema, value, at);
        }
        if (value.is_array() && schema.contains("items")) {
            for (size_t i = 0; i < value.size(); ++i) {
                check(schema["items"], value[i], at + "/" + std::to_string(i));
            }
        }
        if (schema.contains("oneOf")) {
            int matches = 0;
            for (const json& option : schema["oneOf"]) {
                Checker inner(root_);
                inner.check(option, value, at);
                matches += inner.problems_.empty();
            }
            if (matches != 1) {
                problem(at, "matches " + std::to_string(matches) + " of the oneOf schemas");
            }
        }
    }

    std::vector<std::string> problems_;

private:
    void checkObject(const json& schema, const json& value, const std::string& at) {
        const json props = schema.value("properties", json::object());
        for (const json& name : schema.value("required", json::array())) {
            if (!value.contains(name.get<std::string>())) {
                problem(at, "missing member " + name.get<std::string>());
            }
        }
        for (const auto& [key, member] : value.items()) {
            if (props.contains(key)) {
                check(props[key], member, at + "/" + key);
            } else if (schema.value("additionalProperties", true) == false) {
                problem(at, "unexpected member " + key);
            }
        }
    }

    static bool typeMatches(const json& type, const json& value) {
        if (type.is_array()) {
            for (const json& t : type) {
                if (typeMatches(t, value)) {
                    return true;
                }
            }
            return false;
        }
        const std::string t = type;
        return (t == "object" && value.is_object()) || (t == "array" && value.is_array()) ||
               (t == "string" && value.is_string()) ||
               (t == "integer" && value.is_number_integer()) ||
               (t == "number" && value.is_number()) || (t == "boolean" && value.is_boolean()) ||
               (t == "null" && value.is_null());
    }

    void problem(const std::string& at, const std::string& what) {
        problems_.push_back((at.empty() ? "/" : at) + ": " + what);
    }

    const json& root_;
};

}  // namespace

std::vector<std::string> SchemaProblems(const json& schema, const json& value) {
    Checker checker(schema);
    checker.check(schema, value, "");
    return checker.problems_;
}

json CliSchema() {
    std::ifstream in(VARNOOK_CLI_SCHEMA);
    return json::parse(in);
}

}  // namespace varnook::cli::test
