#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cover/geometry.hpp"

namespace vell::cover {

// The analysis report `out`: member name to value. Its object type is an
// ordered map, so it serialises with the members sorted by name.
using Report = nlohmann::json;

// The nine members known once the crop is chosen; only the first six object
// regions are reported, in analysis order.
Report startReport(double IW, double IH, const Geometry& geometry, std::int64_t OW,
                   const std::vector<ObjectRegion>& objects);

// "aes" and "utility": the crop's aesthetics score and utility flag.
void addAesthetics(Report& out, float overallScore, bool isUtility);

// "bytes", "quality" and "out" of the JPEG written.
void completeReport(Report& out, std::size_t bytes, double q, std::int64_t OW, std::int64_t OH);

// The report as one compact line (without the line feed), or nothing when it
// cannot be serialised: a number that is not finite has no JSON form.
std::optional<std::string> serialise(const Report& out);

// Prints the report and a line feed on standard output in one write; prints
// nothing when it cannot be serialised.
void emit(const Report& out);

}  // namespace vell::cover
