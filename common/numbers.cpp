#include "common/numbers.hpp"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <string>

namespace vell {

namespace {

locale_t cLocale() {
  // Created once and never freed: the process keeps it for its whole life.
  static locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

}  // namespace

std::optional<double> parseDouble(std::string_view text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
    return std::nullopt;
  // strtod needs a terminated string; an embedded NUL would end it early and
  // so correctly fail the whole-text rule.
  std::string copy(text);
  char* end = nullptr;
  double value = strtod_l(copy.c_str(), &end, cLocale());
  if (end != copy.c_str() + copy.size())
    return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseInt64(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty())
    return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9')
      return std::nullopt;
  // from_chars takes a leading minus but not a plus; feed it the sign it reads.
  std::string normalised = negative ? "-" + std::string(digits) : std::string(digits);
  std::int64_t value = 0;
  auto [end, error] =
      std::from_chars(normalised.data(), normalised.data() + normalised.size(), value);
  if (error != std::errc() || end != normalised.data() + normalised.size())
    return std::nullopt;
  return value;
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

}  // namespace vell
