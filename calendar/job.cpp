#include "calendar/job.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "common/json_numbers.hpp"
#include "common/numbers.hpp"

namespace vell::calendar {

namespace {

// The code unit of the escape "\uXXXX" at `at`, or -1.
int escapedUnit(std::string_view text, std::size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u')
    return -1;
  int unit = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    const int digit = hexDigitValue(text[i]);
    if (digit < 0)
      return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

bool highSurrogate(int unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool lowSurrogate(int unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string unpairedSurrogatesAsNul(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool inString = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (!inString || c != '\\') {
      if (c == '"')
        inString = !inString;
      out.push_back(c);
      ++i;
      continue;
    }
    const int unit = escapedUnit(text, i);
    if (highSurrogate(unit) && lowSurrogate(escapedUnit(text, i + 6))) {
      out.append(text.substr(i, 12));
      i += 12;
    } else if (highSurrogate(unit) || lowSurrogate(unit)) {
      out += "\\u0000";
      i += 6;
    } else {
      out.append(text.substr(i, std::min<std::size_t>(2, text.size() - i)));
      i += 2;
    }
  }
  return out;
}

std::optional<nlohmann::json> parseJob(std::string_view bytes) {
  if (bytes.size() > maxJobBytes)
    return std::nullopt;
  nlohmann::json value = nlohmann::json::parse(bytes, nullptr, false);
  // Valid JSON the parser refuses: half of a surrogate pair, a number
  // beyond a double's range. Read as text no event can hold, and as the
  // largest number.
  if (value.is_discarded())
    value = nlohmann::json::parse(boundHugeNumbers(unpairedSurrogatesAsNul(bytes)), nullptr, false);
  if (value.is_discarded() || !value.is_object())
    return std::nullopt;
  return value;
}

std::optional<std::string> readJobFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  struct stat status {};
  std::optional<std::string> bytes;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::size_t>(status.st_size) <= maxJobBytes) {
    // Sized for the file; a file that grows meanwhile is read on, up to one
    // byte more than allowed.
    std::string buffer(static_cast<std::size_t>(status.st_size) + 1, '\0');
    std::size_t done = 0;
    for (;;) {
      if (done == buffer.size()) {
        if (buffer.size() > maxJobBytes)
          break;
        buffer.resize(std::min(buffer.size() * 2, maxJobBytes + 1));
      }
      ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
      if (got < 0 && errno == EINTR)
        continue;
      if (got <= 0)
        break;
      done += static_cast<std::size_t>(got);
    }
    if (done <= maxJobBytes) {
      buffer.resize(done);
      bytes = std::move(buffer);
    }
  }
  ::close(fd);
  return bytes;
}

double doubleValue(std::string_view text) {
  std::size_t at = 0;
  auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  };
  auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  while (at < text.size() && space(text[at]))
    ++at;
  const std::size_t begin = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-'))
    ++at;
  std::size_t digits = 0;
  for (; digit(at); ++at)
    ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    for (; digit(at); ++at)
      ++digits;
  }
  if (digits == 0)
    return 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t exponent = at + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
      ++exponent;
    if (digit(exponent)) {
      at = exponent;
      while (digit(at))
        ++at;
    }
  }
  // Only the plain decimal form reaches strtod, so locale, "inf", "nan" and
  // hexadecimal forms play no part.
  const std::string number(text.substr(begin, at - begin));
  return std::strtod(number.c_str(), nullptr);
}

std::optional<double> numberOf(const nlohmann::json& job, const char* key) {
  auto member = job.find(key);
  if (member == job.end() || member->is_null())
    return 0.0;
  if (member->is_boolean())
    return member->get<bool>() ? 1.0 : 0.0;
  if (member->is_number())
    return member->get<double>();
  if (member->is_string())
    return doubleValue(member->get_ref<const std::string&>());
  return std::nullopt;
}

bool validRange(std::optional<double> start, std::optional<double> end) {
  return start && end && *end > *start && *end - *start <= maxRangeSeconds;
}

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char byte : text) {
    if ((byte & 0xC0) == 0x80)
      continue;  // continuation byte
    units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

}  // namespace vell::calendar
