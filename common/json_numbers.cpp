#include "common/json_numbers.hpp"

#include <cmath>
#include <cstdlib>

namespace vell {

namespace {

bool numberCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

}  // namespace

std::string boundHugeNumbers(std::string_view json) {
  std::string out;
  out.reserve(json.size());
  bool inString = false;
  std::size_t i = 0;
  while (i < json.size()) {
    const char c = json[i];
    if (inString) {
      out.push_back(c);
      if (c == '\\' && i + 1 < json.size())
        out.push_back(json[++i]);
      else if (c == '"')
        inString = false;
      ++i;
      continue;
    }
    if (c == '"') {
      inString = true;
      out.push_back(c);
      ++i;
      continue;
    }
    if (c != '-' && (c < '0' || c > '9')) {
      out.push_back(c);
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < json.size() && numberCharacter(json[end]))
      ++end;
    const std::string literal(json.substr(i, end - i));
    // The C locale is the programs' own: strtod reads JSON's decimal point.
    const double value = std::strtod(literal.c_str(), nullptr);
    if (std::isinf(value))
      out += value < 0 ? "-1.7976931348623157e308" : "1.7976931348623157e308";
    else
      out += literal;
    i = end;
  }
  return out;
}

}  // namespace vell
