// The directory trees of a network: trees and objects by name, as both doors look them up.
#pragma once

#include <string>
#include <string_view>

#include "model.h"

namespace nw::sim {

// A tree name as callers pass it, possibly padded with '_', upper-cased.
std::string treeKey(std::string_view name);
// The tree of that name (case-insensitive, '_' padding allowed); null when there is none.
const Tree* treeNamed(const Network& net, std::string_view name);
// The object of a dotted name from [Root] (case-insensitive, a leading '.' allowed).
const TreeObject* objectNamed(const Tree& tree, std::string_view name);
// The dotted name of the container that holds an object, upper-cased ("" at the top).
std::string containerOf(const std::string& dottedName);

}  // namespace nw::sim
