#pragma once

#include <optional>
#include <string_view>

#include "seal/json.hpp"

namespace vell::seal {

// Reads one request line strictly: white space around the value is allowed,
// nothing may follow it, and only an object is a request. Gives nothing for
// anything else (invalid UTF-8 included).
//
// Only the top-level members matter to the operations, so nested arrays and
// objects are kept as empty ones of their kind: a line of many megabytes of
// nesting costs a few bits per level, not a tree of values.
std::optional<Json> readRequest(std::string_view line);

}  // namespace vell::seal
