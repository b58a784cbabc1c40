#include "place/text_policy.hpp"

#include <algorithm>

#include "common/r3.hpp"
#include "platform/text/graphemes.hpp"

namespace vell::place {

namespace {

constexpr size_t maxLines = 24;
constexpr size_t shortestLine = 2;
constexpr size_t longestLine = 80;

bool isWhitespace(char32_t c) {
  switch (c) {
    case 0x20:
    case 0xA0:
    case 0x1680:
    case 0x202F:
    case 0x205F:
    case 0x3000:  // Zs
    case 0x2028:
    case 0x2029:  // Zl, Zp
    case 0x85:
      return true;
    default:
      return (c >= 0x09 && c <= 0x0D) || (c >= 0x2000 && c <= 0x200A);
  }
}

// The code point starting at `i` and its length; malformed bytes count as one
// non-space character.
std::pair<char32_t, size_t> decodeAt(std::string_view text, size_t i) {
  auto byte = static_cast<unsigned char>(text[i]);
  size_t length = byte < 0x80             ? 1
                  : (byte & 0xE0) == 0xC0 ? 2
                  : (byte & 0xF0) == 0xE0 ? 3
                  : (byte & 0xF8) == 0xF0 ? 4
                                          : 0;
  if (length == 0 || i + length > text.size())
    return {0xFFFD, 1};
  char32_t value = length == 1 ? byte : byte & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80)
      return {0xFFFD, 1};
    value = (value << 6) | (next & 0x3F);
  }
  return {value, length};
}

// The byte length of the white space character that ends at `end`, or 0.
size_t trailingSpaceLength(std::string_view text, size_t end) {
  size_t start = end - 1;
  while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
    --start;
  auto [value, length] = decodeAt(text, start);
  return length == end - start && isWhitespace(value) ? length : 0;
}

size_t graphemeCount(std::string_view text, size_t limit) {
  std::string valid = platform::validUtf8(text);
  size_t count = 0;
  while (count <= limit && platform::firstGraphemes(valid, count) != valid)
    ++count;
  return count;
}

}  // namespace

bool shouldRecognize(const std::string& ocr, size_t textRectangles) {
  if (ocr == "always")
    return true;
  return ocr == "auto" && textRectangles > 0;
}

bool readsText(const std::string& ocr) {
  return ocr == "always" || ocr == "auto";
}

std::string_view trimWhitespace(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    auto [value, length] = decodeAt(text, start);
    if (!isWhitespace(value))
      break;
    start += length;
  }
  size_t end = text.size();
  while (end > start) {
    size_t length = trailingSpaceLength(text, end);
    if (length == 0)
      break;
    end -= length;
  }
  return text.substr(start, end - start);
}

Record textLines(const std::vector<RecognizedText>& recognized) {
  struct Line {
    std::string text;
    double confidence;
    double height;
  };
  std::vector<Line> lines;
  for (const auto& observation : recognized) {
    std::string_view text = trimWhitespace(observation.string);
    size_t length = graphemeCount(text, longestLine + 1);
    if (length < shortestLine || length > longestLine)
      continue;
    lines.push_back({std::string(text), double(observation.confidence), observation.box.h});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& a, const Line& b) { return a.height > b.height; });
  if (lines.size() > maxLines)
    lines.resize(maxLines);
  Record tx = Record::array();
  for (const auto& line : lines)
    tx.push_back(Record::array({line.text, r3(line.confidence), r3(line.height)}));
  return tx;
}

std::optional<Record> recognizeText(Vision& vision, const platform::Bitmap& image,
                                    const MainBatch& batch, const std::string& ocr) {
  if (!shouldRecognize(ocr, batch.textRectangles.size()))
    return std::nullopt;
  auto recognized = vision.recognizeText(image, batch);
  if (!recognized)
    return std::nullopt;
  return textLines(*recognized);
}

}  // namespace vell::place
