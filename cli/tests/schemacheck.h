// Checks a JSON value against a JSON Schema, for the keywords the command's schema file uses:
// $ref (to "#/$defs/..."), type, const, enum, properties, required, additionalProperties,
// items, oneOf, minimum. Any other keyword in the schema is itself an error, so the schema
// cannot drift outside what is checked.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace varnook::cli::test {

// The problems found, each with the JSON pointer of the value; empty when the value matches.
std::vector<std::string> SchemaProblems(const nlohmann::json& schema, const nlohmann::json& value);

// The command's schema file from the source tree.
nlohmann::json CliSchema();

}  // namespace varnook::cli::test
