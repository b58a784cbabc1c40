#include "platform/vision/text_labels.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vell::platform::vision {

namespace {

// Letters and digits of `text`: ASCII ones, and every character beyond
// ASCII (its first byte), since a script other than Latin is writing too.
int wordCharacters(std::string_view text) {
  int count = 0;
  for (unsigned char c : text)
    if (std::isalnum(c) || c >= 0xC0)
      ++count;
  return count;
}

}  // namespace

std::vector<Classification> textLabels(const std::vector<RecognizedText>& lines) {
  bool writing = std::any_of(lines.begin(), lines.end(), [](const RecognizedText& line) {
    return wordCharacters(line.string) >= kTextLabelCharacters;
  });
  if (!writing)
    return {};
  double coverage = 0, confidence = 0;
  for (const auto& line : lines) {
    coverage += line.box.w * line.box.h;
    confidence += line.confidence;
  }
  if (coverage < kTextLabelCoverage)
    return {};
  auto mean = float(confidence / double(lines.size()));
  std::vector<Classification> labels{{"text", mean}};
  if (lines.size() >= kDocumentLines)
    labels.push_back({"document", mean});
  return labels;
}

}  // namespace vell::platform::vision
