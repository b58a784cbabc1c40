#pragma once

namespace vell {

// Rounds `x` to three decimal places, halves away from zero, the way every
// fractional value in the programs' JSON is reported.
double r3(double x);

}  // namespace vell
