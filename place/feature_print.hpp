#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vell::place {

// A feature print scaled so that its largest magnitude becomes 127: each
// value v gives round(v / m x 127), halves away from zero, clamped to
// -127..127, where m is the largest magnitude but at least 1e-6 (float data)
// or 1e-9 (double data). Computed in the data's own precision.
std::vector<std::int8_t> quantise(std::span<const float> values);
std::vector<std::int8_t> quantise(std::span<const double> values);

// Standard base64 (RFC 4648, "+" and "/", "=" padding, no line breaks).
std::string base64(std::span<const std::uint8_t> bytes);

// The "fp" member: base64 of the quantised print.
std::string quantisedFeaturePrint(std::span<const float> values);

}  // namespace vell::place
