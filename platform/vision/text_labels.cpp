#include "platform/vision/text_labels.hpp"

namespace vell::platform::vision {

std::vector<Classification> textLabels(const std::vector<RecognizedText>& lines) {
  if (lines.empty())
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
