#include <omp.h>
#include <tesseract/baseapi.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <opencv2/imgproc.hpp>

#include "platform/vision/text.hpp"
#include "platform/vision/text_lines.hpp"

namespace vell::platform::vision {

namespace {

// Debian's tesseract-ocr-eng; more languages are packages beside it.
constexpr const char* tessdata = "/usr/share/tesseract-ocr/5/tessdata";
constexpr const char* language = "eng";
// Tesseract reads lines best at about this height in pixels.
constexpr int accurateLineHeight = 48;
constexpr int smallestLineHeight = 20;

struct EngineDeleter {
  void operator()(tesseract::TessBaseAPI* engine) const {
    engine->End();
    delete engine;
  }
};
using Engine = std::unique_ptr<tesseract::TessBaseAPI, EngineDeleter>;

Result<tesseract::TessBaseAPI*> threadEngine(bool languageCorrection) {
  thread_local Engine withWords, withoutWords;
  Engine& engine = languageCorrection ? withWords : withoutWords;
  if (engine)
    return engine.get();
  if (!std::filesystem::exists(std::filesystem::path(tessdata) /
                               (std::string(language) + ".traineddata")))
    return Error{std::string("text recognition data missing in ") + tessdata};
  // The word lists are what language correction means for Tesseract; they can
  // only be chosen when the engine starts.
  std::vector<std::string> names = {"load_system_dawg", "load_freq_dawg", "debug_file"};
  std::vector<std::string> values = {languageCorrection ? "1" : "0", languageCorrection ? "1" : "0",
                                     "/dev/null"};
  // Tesseract splits each step of a line's reading over four OpenMP threads
  // that sleep and wake on every step: where the callers' own threads keep
  // the cores busy, that is a third of the processor time (hundreds of
  // thousands of wake-ups a batch) for the same text. The setting holds for
  // OpenMP work begun on this thread, the thread this engine serves.
  omp_set_max_active_levels(0);
  Engine fresh(new tesseract::TessBaseAPI());
  if (fresh->Init(tessdata, language, tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values,
                  false) != 0)
    return Error{"text recognition engine did not start"};
  fresh->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  engine = std::move(fresh);
  return engine.get();
}

std::string trimTrailingNewlines(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  return text;
}

// The line at `corners` (normalised) in a `width` x `height` picture, in
// pixels with the origin at the top left.
LineQuad pixelQuad(const TextRegion& region, int width, int height) {
  LineQuad quad;
  for (size_t i = 0; i < 4; ++i)
    quad.corners[i] = {float(region.corners[i].x * width),
                       float((1.0 - region.corners[i].y) * height)};
  return quad;
}

// The part of `region`'s line that `piece` takes: the rotated box cut across
// at the piece's ends, as a straight box (normalised, lower-left origin).
NormalizedRect pieceBox(const TextRegion& region, const LinePiece& piece) {
  if (piece.from <= 0 && piece.to >= 1)
    return region.box;
  const auto& c = region.corners;
  auto along = [](const NormalizedPoint& a, const NormalizedPoint& b, double t) {
    return NormalizedPoint{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
  };
  std::array<NormalizedPoint, 4> cut{along(c[0], c[1], piece.from), along(c[0], c[1], piece.to),
                                     along(c[3], c[2], piece.to), along(c[3], c[2], piece.from)};
  double left = 1, right = 0, bottom = 1, top = 0;
  for (const auto& p : cut) {
    left = std::min(left, std::max(p.x, 0.0));
    right = std::max(right, std::min(p.x, 1.0));
    bottom = std::min(bottom, std::max(p.y, 0.0));
    top = std::max(top, std::min(p.y, 1.0));
  }
  if (right <= left || top <= bottom)
    return region.box;
  return {left, bottom, right - left, top - bottom};
}

struct Reading {
  std::string text;
  float confidence = 0;
};

Reading read(tesseract::TessBaseAPI& engine, const cv::Mat& strip) {
  engine.SetImage(strip.data, strip.cols, strip.rows, 1, int(strip.step));
  engine.SetSourceResolution(300);
  std::unique_ptr<char[]> text(engine.GetUTF8Text());
  if (!text)
    return {};
  return {trimTrailingNewlines(text.get()), std::clamp(engine.MeanTextConf() / 100.0f, 0.0f, 1.0f)};
}

}  // namespace

Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const TextRecognitionOptions& options) {
  auto regions = detectTextRegions(picture);
  if (!regions)
    return regions.error();
  return recognizeText(picture, *regions, options);
}

Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const std::vector<TextRegion>& regions,
                                                  const TextRecognitionOptions& options) {
  if (picture.empty())
    return Error{"text recognition: empty picture"};
  auto engine = threadEngine(options.languageCorrection);
  if (!engine)
    return engine.error();
  cv::Mat rgba(picture.height, picture.width, CV_8UC4, const_cast<uint8_t*>(picture.rgba.data()));
  cv::Mat grey;
  cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
  std::vector<RecognizedText> lines;
  for (const auto& region : regions) {
    if (region.box.h < options.minimumTextHeight)
      continue;
    LineQuad quad = pixelQuad(region, picture.width, picture.height);
    double rise = cv::norm(quad.corners[3] - quad.corners[0]);
    int height = options.accurate ? accurateLineHeight
                                  : std::max(int(std::lround(rise)), smallestLineHeight);
    cv::Mat strip = uprightStrip(grey, quad, height);
    if (strip.empty())
      continue;
    Reading best = read(**engine, strip);
    // A line closer to vertical may be written upwards rather than
    // downwards: the reading the engine believes more wins.
    cv::Point2f along = quad.corners[1] - quad.corners[0];
    if (std::abs(along.y) > std::abs(along.x)) {
      cv::Mat turned;
      cv::rotate(strip, turned, cv::ROTATE_180);
      Reading other = read(**engine, turned);
      if (other.confidence > best.confidence)
        best = other;
    }
    if (best.confidence < kMinLineConfidence)
      continue;
    for (const auto& piece : splitLongLine(best.text, kLongestLine))
      lines.push_back({piece.text, best.confidence, pieceBox(region, piece)});
  }
  (*engine)->Clear();
  return lines;
}

}  // namespace vell::platform::vision
