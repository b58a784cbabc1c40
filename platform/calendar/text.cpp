#include "platform/calendar/text.hpp"

#include <algorithm>
#include <cctype>

namespace vell::calendar_text {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// Content lines with folding undone (a line break followed by one blank
// continues the line).
std::vector<std::string> unfold(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (!lines.empty() && !line.empty() && (line.front() == ' ' || line.front() == '\t'))
      lines.back().append(line.substr(1));
    else
      lines.emplace_back(line);
  }
  return lines;
}

// Splits "NAME;PARAM=\"a:b\":value" into name and value; the value starts
// after the first colon outside quotes.
bool split(std::string_view line, std::string_view& name, std::string_view& value) {
  bool quoted = false;
  std::size_t nameEnd = std::string_view::npos;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"')
      quoted = !quoted;
    else if (!quoted && c == ';' && nameEnd == std::string_view::npos)
      nameEnd = i;
    else if (!quoted && c == ':') {
      name = line.substr(0, std::min(i, nameEnd));
      value = line.substr(i + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string unescape(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    char next = value[++i];
    text += (next == 'n' || next == 'N') ? '\n' : next;
  }
  return text;
}

std::vector<std::optional<std::string>> summaries(std::string_view text) {
  std::vector<std::optional<std::string>> found;
  std::vector<std::string> open;  // names of the components we are in
  for (const std::string& line : unfold(text)) {
    std::string_view name;
    std::string_view value;
    if (!split(line, name, value))
      continue;
    if (equalsIgnoringCase(name, "BEGIN")) {
      open.emplace_back(trimBlanks(value));
      if (equalsIgnoringCase(open.back(), "VEVENT"))
        found.emplace_back();
    } else if (equalsIgnoringCase(name, "END")) {
      if (!open.empty())
        open.pop_back();
    } else if (!open.empty() && equalsIgnoringCase(open.back(), "VEVENT") && !found.empty() &&
               !found.back() && equalsIgnoringCase(name, "SUMMARY")) {
      found.back() = std::string(value);
    }
  }
  return found;
}

std::size_t deepestNesting(std::string_view text) {
  std::size_t depth = 0, deepest = 0;
  for (const std::string& line : unfold(text)) {
    std::string_view name;
    std::string_view value;
    if (!split(line, name, value))
      continue;
    if (equalsIgnoringCase(name, "BEGIN"))
      deepest = std::max(deepest, ++depth);
    else if (equalsIgnoringCase(name, "END") && depth > 0)
      --depth;
  }
  return deepest;
}

std::optional<std::string> exactSummary(const std::optional<std::string>& parsed,
                                        const std::optional<std::string>& written) {
  if (!written)
    return parsed;
  const std::string_view trimmed = trimBlanks(*written);
  const bool agrees = parsed ? unescape(trimmed) == *parsed : trimmed.empty();
  return agrees ? unescape(*written) : parsed;
}

}  // namespace vell::calendar_text
