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

// The same with the detector reading at most `longestSide` pixels on the
// picture's long side (800 above; more finds smaller print, at a cost that
// grows with the pixels).
Result<std::vector<TextRegion>> detectTextRegions(const Bitmap& picture, int longestSide);

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

// The same on lines already found by detectTextRegions on `picture` (or on
// the same picture at another size: the lines are normalised). A line read
// as more than kLongestLine characters comes back in pieces of at most that
// many, split between words, each with its part of the line's box.
Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const std::vector<TextRegion>& lines,
                                                  const TextRecognitionOptions& options);

// Lines longer than this (in code points) are reported in pieces: a page's
// lines run to 90 or 100 characters, more than a caller may keep.
inline constexpr size_t kLongestLine = 80;

// Small print read from the picture's own pixels: `picture` is the picture at
// `path` scaled down for analysis, and `lines` were found on it. Where lines
// that look like print (three times longer than high, found with confidence
// 0.7) are too low there to read (under kSmallLineHeight pixels), the picture is
// decoded again from `path` at a scale bringing them to about
// kReadLineHeight pixels (at most kCloserMaxSide on its long side, never
// above the file's own size), and every line is read from those pixels;
// where many lines are that small (a page, a receipt), the lines are also
// found again at a larger scale, since the detector misses or merges them
// too. The lines come back normalised to the picture, as always. Without a
// path, a file that no longer decodes, or nothing small, this is
// recognizeText on `picture`.
inline constexpr double kSmallLineHeight = 18;
inline constexpr double kReadLineHeight = 32;
inline constexpr int kCloserMaxSide = 3072;
inline constexpr size_t kManySmallLines = 8;
Result<std::vector<RecognizedText>> recognizeTextCloser(const Bitmap& picture,
                                                        const std::vector<TextRegion>& lines,
                                                        const std::string& path,
                                                        const TextRecognitionOptions& options);

}  // namespace vell::platform::vision
