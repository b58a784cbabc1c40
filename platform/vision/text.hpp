#pragma once

#include <string>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// Lines of text in the picture, found by the PP-OCRv4 DB detector: one box
// per line (axis-aligned, normalised, lower-left origin) with the detector's
// mean probability inside it as confidence, top line first. An Error when the
// model is missing or inference fails. Safe to call from several threads.
Result<std::vector<RectObservation>> detectTextRectangles(const Bitmap& picture);

struct RecognizedText {
  std::string string;    // UTF-8, as the engine read it
  float confidence = 0;  // 0..1
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

// Reads every detected line with Tesseract 5 (English, one line per box),
// in the order of detectTextRectangles. An Error when a model or the engine's
// data is missing. Safe to call from several threads.
Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const TextRecognitionOptions& options);

// The same on lines already found by detectTextRectangles on `picture`.
Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const std::vector<RectObservation>& lines,
                                                  const TextRecognitionOptions& options);

// The DB post-processing, exposed for tests: boxes (pixel coordinates of the
// probability map, then scaled by `scaleX`/`scaleY` into a `width` x `height`
// picture) of the regions of `probability` (row-major, `mapWidth` x
// `mapHeight`, values 0..1) above 0.3 whose mean probability is at least 0.6,
// grown by the unclip ratio 1.5.
std::vector<RectObservation> textBoxesFromProbability(const std::vector<float>& probability,
                                                      int mapWidth, int mapHeight, int width,
                                                      int height);

}  // namespace vell::platform::vision
