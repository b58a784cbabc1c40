#pragma once

#include <vector>

#include "platform/vision/observation.hpp"
#include "platform/vision/text.hpp"

namespace vell::platform::vision {

// Lines of text cover at least this share of a picture that is labelled
// "text": below it the writing is a date stamp, a name tag or a logo, not
// what the picture shows.
inline constexpr double kTextLabelCoverage = 0.01;
// A picture with at least this many lines of text is a "document" (a page,
// a receipt); a sign has a few large ones.
inline constexpr size_t kDocumentLines = 10;
// Only a line of at least this many letters or digits says that a picture
// shows writing: one or two signs read on fur, grass or a cow's ear tag
// ("8", "IW") are as often noise as writing.
inline constexpr int kTextLabelCharacters = 3;

// The labels that the lines read in a picture make certain: "text" when
// they cover at least kTextLabelCoverage of it and one of them holds
// kTextLabelCharacters letters or digits, and "document" as well when
// there are at least kDocumentLines of them, each with the mean confidence
// of the lines. Overlapping lines count twice, as in the text coverage.
std::vector<Classification> textLabels(const std::vector<RecognizedText>& lines);

}  // namespace vell::platform::vision
