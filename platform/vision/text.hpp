#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// A point normalised to the picture, origin at the lower-left corner.
struct NormalizedPoint {
  double x = 0;
  double y = 0;
};

// A line of text found by the PP-OCRv4 DB detector: its straight box
// (normalised, lower-left origin, cut to the picture), the detector's mean
// probability inside it as confidence, and the corners of its rotated box in
// reading order: top left, top right, bottom right, bottom left of the
// writing (a slanted line's box follows the slant).
struct TextRegion {
  NormalizedRect box;
  float confidence = 0;
  std::array<NormalizedPoint, 4> corners;
};

// Every line the detector finds, top line first. An Error when the model is
// missing or inference fails. Safe to call from several threads.
Result<std::vector<TextRegion>> detectTextRegions(const Bitmap& picture);

// Loads the text detector's network ahead of its first run, so that a
// caller can overlap the load with work of its own; a failure is left for
// the detection to report.
void prepareTextDetection();

// The straight boxes of detectTextRegions, with their confidences.
Result<std::vector<RectObservation>> detectTextRectangles(const Bitmap& picture);

struct RecognizedText {
  std::string string;    // UTF-8, as the engine read it
  float confidence = 0;  // 0..1: the engine's mean word confidence
  NormalizedRect box;
};

struct TextRecognitionOptions {
  // Lines lower than this fraction of the picture height are not read.
  float minimumTextHeight = 0;
  // Accurate: each line is scaled to the height the recogniser reads best.
  bool accurate = true;
  // Lets the engine prefer dictionary words (Tesseract's word lists).
  bool languageCorrection = true;
};

// Lines the engine reads with a mean word confidence below this are not
// text: grass, ripples, fur and brickwork give the detector line-like
// regions that Tesseract turns into a few letters it does not believe.
inline constexpr float kMinLineConfidence = 0.6f;

// Reads every detected line with Tesseract 5 (English), each cut out along
// its rotated box and turned upright; lines read with a confidence below
// kMinLineConfidence are dropped. In the order of detectTextRegions. An
// Error when a model or the engine's data is missing. Safe to call from
// several threads.
Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const TextRecognitionOptions& options);

// The same on lines already found by detectTextRegions on `picture`.
Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const std::vector<TextRegion>& lines,
                                                  const TextRecognitionOptions& options);

}  // namespace vell::platform::vision
