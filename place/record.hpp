#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace vell::place {

// An image record: member names to values, kept in the order they were set.
using Record = nlohmann::ordered_json;

// The record as one compact JSON line (without its line feed), or nothing
// when it cannot be written (text that is not valid UTF-8).
std::optional<std::string> serialise(const Record& record);

}  // namespace vell::place
