#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vell {

// Reads `text` as the C library's strtod does in the C locale; the number
// counts only if it uses the whole text and does not begin with white space
// ("inf", "nan" and hexadecimal forms are read as strtod reads them).
// Returns nothing when the text does not read.
std::optional<double> parseDouble(std::string_view text);

// Reads an optional sign followed by decimal digits and nothing else, within
// the signed 64-bit range. Returns nothing otherwise.
std::optional<std::int64_t> parseInt64(std::string_view text);

// The value of one hexadecimal digit, either case; -1 for any other character.
int hexDigitValue(char c);

}  // namespace vell
