#include <algorithm>
#include <cmath>

#include "platform/image/image.hpp"
#include "platform/vision/text.hpp"

namespace vell::platform::vision {

namespace {

// The detector finds lines down to about this height in its input; a page's
// lines are found again where the first look saw them lower than that.
constexpr double kDetectLineHeight = 16;
// The detector's input on the second look, at most: its cost grows with the
// pixels, and its maps with them.
constexpr int kCloserDetectSide = 1600;

// Only regions that look like print call for the closer look: longer than
// high, and found with confidence. Fur, grass and leaves give the detector
// many small regions too, squat or doubtful ones.
constexpr double kPrintAspect = 3;
constexpr float kSurePrint = 0.7f;

// A line's height in pixels of a `width` x `height` picture.
double riseOf(const TextRegion& region, int width, int height) {
  double dx = (region.corners[3].x - region.corners[0].x) * width;
  double dy = (region.corners[3].y - region.corners[0].y) * height;
  return std::hypot(dx, dy);
}

// Its length.
double runOf(const TextRegion& region, int width, int height) {
  double dx = (region.corners[1].x - region.corners[0].x) * width;
  double dy = (region.corners[1].y - region.corners[0].y) * height;
  return std::hypot(dx, dy);
}

double median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

double overlap(const NormalizedRect& a, const NormalizedRect& b) {
  double w = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
  double h = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
  if (w <= 0 || h <= 0)
    return 0;
  return w * h / std::min(a.w * a.h, b.w * b.h);
}

}  // namespace

Result<std::vector<RecognizedText>> recognizeTextCloser(const Bitmap& picture,
                                                        const std::vector<TextRegion>& lines,
                                                        const std::string& path,
                                                        const TextRecognitionOptions& options) {
  std::vector<double> small;
  for (const auto& line : lines) {
    double rise = riseOf(line, picture.width, picture.height);
    bool print = line.confidence >= kSurePrint &&
                 runOf(line, picture.width, picture.height) >= kPrintAspect * rise;
    if (print && rise < kSmallLineHeight && line.box.h >= options.minimumTextHeight * 0.5)
      small.push_back(rise);
  }
  if (path.empty() || small.empty() || picture.empty())
    return recognizeText(picture, lines, options);
  int longSide = std::max(picture.width, picture.height);
  double scale = kReadLineHeight / std::max(median(small), 1.0);
  int side = std::min(int(std::lround(longSide * scale)), kCloserMaxSide);
  if (side < longSide * 1.25)
    return recognizeText(picture, lines, options);
  // Never larger than the file: a picture already at its own size has no
  // finer pixels to give.
  auto closer = platform::thumbnail(path, side);
  if (!closer || closer->width < picture.width * 1.25)
    return recognizeText(picture, lines, options);

  std::vector<TextRegion> found = lines;
  if (small.size() >= kManySmallLines) {
    double detectScale = kDetectLineHeight / std::max(median(small), 1.0);
    int detectSide = std::clamp(int(std::lround(longSide * detectScale)), 800, kCloserDetectSide);
    auto again = detectTextRegions(*closer, detectSide);
    if (again) {
      // The second look's lines, and those of the first it did not see again
      // (large ones it may now split).
      found = *again;
      for (const auto& line : lines)
        if (std::none_of(again->begin(), again->end(), [&](const TextRegion& other) {
              return overlap(line.box, other.box) > 0.3;
            }))
          found.push_back(line);
    }
  }
  return recognizeText(*closer, found, options);
}

}  // namespace vell::platform::vision
