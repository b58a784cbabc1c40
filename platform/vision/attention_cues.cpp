#include "platform/vision/attention_cues.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/vision/cielab.hpp"

namespace vell::platform::vision {

namespace {

// Fine detail below this (grey levels of Laplacian energy, square-rooted) is
// noise or the grain of a plain surface, not focus.
constexpr float focusNoise = 4.0f;
// A sharp part only says where the subject is when it stands well above the
// typical detail of the picture: a picture in focus all over does not.
constexpr double focusDepthFrom = 0.35;
constexpr double focusDepthTo = 0.7;
// Colour distances below this (CIELAB units) are noise.
constexpr double colourNoise = 2.0;
// How far the surroundings reach, as a share of the picture's longer side.
constexpr double surroundShare = 0.15;
// Share of each side taken as the background sample at the borders.
constexpr double borderShare = 0.07;
constexpr double centreDeviation = 0.35;
// A cue that lights up more than this share of the picture points nowhere
// in particular.
constexpr double spreadLimit = 0.6;

HeatGrid zeros(int width, int height) {
  return {width, height,
          std::vector<float>(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0), 0.0f)};
}

HeatGrid gridFrom(const cv::Mat1f& map, int width, int height) {
  HeatGrid grid = zeros(width, height);
  if (map.empty() || width <= 0 || height <= 0)
    return grid;
  cv::Mat1f cells;
  cv::resize(map, cells, {width, height}, 0, 0, cv::INTER_AREA);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      grid.values[static_cast<size_t>(y) * width + x] = std::clamp(cells(y, x), 0.0f, 1.0f);
  return grid;
}

// RGB over mid grey where transparent.
cv::Mat3f rgbOf(const Bitmap& picture) {
  cv::Mat3f rgb(picture.height, picture.width);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* p = picture.pixel(x, y);
      float a = p[3] / 255.0f;
      for (int c = 0; c < 3; ++c)
        rgb(y, x)[c] = (p[c] * a + 128.0f * (1 - a)) / 255.0f;
    }
  return rgb;
}

bool usable(const Bitmap& picture) {
  return !picture.empty() &&
         picture.rgba.size() == static_cast<size_t>(picture.width) * picture.height * 4;
}

double percentile(const cv::Mat1f& map, double share) {
  std::vector<float> values(map.begin(), map.end());
  if (values.empty())
    return 0;
  auto nth = values.begin() + static_cast<std::ptrdiff_t>(share * (values.size() - 1));
  std::nth_element(values.begin(), nth, values.end());
  return *nth;
}

// 1 while at most a tenth of `map` is above one half, falling to 0 as the
// lit part reaches `spreadLimit` of the picture.
float focusWeight(const cv::Mat1f& map) {
  double lit = static_cast<double>(cv::countNonZero(map > 0.5f)) / std::max<size_t>(1, map.total());
  return static_cast<float>(std::clamp((spreadLimit - lit) / (spreadLimit - 0.1), 0.0, 1.0));
}

}  // namespace

HeatGrid focusCue(const Bitmap& picture, int width, int height) {
  if (!usable(picture))
    return zeros(width, height);
  cv::Mat3f rgb = rgbOf(picture);
  cv::Mat1f grey;
  cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
  grey *= 255.0f;
  cv::Mat1f laplacian;
  cv::Laplacian(grey, laplacian, CV_32F);
  cv::Mat1f energy = laplacian.mul(laplacian);
  double sigma = std::max(1.0, std::max(picture.width, picture.height) * 0.015);
  cv::GaussianBlur(energy, energy, {0, 0}, sigma);
  cv::sqrt(energy, energy);
  // The sharp end against the typical part: a subject in focus before a
  // soft background stands well above the median.
  double strong = percentile(energy, 0.98), typical = percentile(energy, 0.5);
  if (strong < focusNoise)
    return zeros(width, height);
  cv::Mat1f map = (energy - typical) / std::max(strong - typical, 1e-3);
  cv::max(map, 0.0f, map);
  cv::min(map, 1.0f, map);
  double depth = (strong - typical) / strong;
  map *=
      focusWeight(map) * static_cast<float>(std::clamp(
                             (depth - focusDepthFrom) / (focusDepthTo - focusDepthFrom), 0.0, 1.0));
  return gridFrom(map, width, height);
}

HeatGrid colourCue(const Bitmap& picture, int width, int height) {
  if (!usable(picture))
    return zeros(width, height);
  cv::Mat3f lab = cielabOf(rgbOf(picture));
  cv::GaussianBlur(lab, lab, {0, 0}, 1.0);
  cv::Mat3f surround;
  double sigma = std::max(2.0, std::max(picture.width, picture.height) * surroundShare);
  cv::GaussianBlur(lab, surround, {0, 0}, sigma, sigma, cv::BORDER_REFLECT);
  int bx = std::max(1, static_cast<int>(std::lround(lab.cols * borderShare)));
  int by = std::max(1, static_cast<int>(std::lround(lab.rows * borderShare)));
  const std::array<cv::Scalar, 4> sides = {
      cv::mean(lab(cv::Rect(0, 0, lab.cols, by))),
      cv::mean(lab(cv::Rect(0, lab.rows - by, lab.cols, by))),
      cv::mean(lab(cv::Rect(0, 0, bx, lab.rows))),
      cv::mean(lab(cv::Rect(lab.cols - bx, 0, bx, lab.rows))),
  };
  cv::Mat1f map(lab.size());
  for (int y = 0; y < lab.rows; ++y)
    for (int x = 0; x < lab.cols; ++x) {
      const cv::Vec3f& p = lab(y, x);
      const cv::Vec3f& s = surround(y, x);
      double local = cv::norm(p - s);
      // The nearest border counts: a subject touching one border still
      // stands out against the other three.
      double border = 1e9;
      for (const cv::Scalar& side : sides)
        border = std::min(border, std::hypot(p[0] - side[0], p[1] - side[1], p[2] - side[2]));
      map(y, x) = static_cast<float>(
          std::clamp(((local + border) * 0.5 - colourNoise) / colourScale, 0.0, 1.0));
    }
  cv::GaussianBlur(map, map, {0, 0}, std::max(1.0, sigma * 0.1));
  map *= focusWeight(map);
  return gridFrom(map, width, height);
}

HeatGrid foregroundCue(const ForegroundProbability& mask, int width, int height) {
  const size_t cells = static_cast<size_t>(std::max(mask.width, 0)) * std::max(mask.height, 0);
  if (cells == 0 || mask.values.size() != cells)
    return zeros(width, height);
  float peak = 0;
  size_t inside = 0;
  for (float value : mask.values) {
    peak = std::max(peak, value);
    inside += value >= 0.5f;
  }
  double share = static_cast<double>(inside) / cells;
  if (!(peak > foregroundSure) || share < foregroundMinShare || share > foregroundMaxShare)
    return zeros(width, height);
  cv::Mat1f map(mask.height, mask.width, const_cast<float*>(mask.values.data()));
  return gridFrom(map, width, height);
}

HeatGrid objectCue(const std::vector<SeenObject>& objects, int width, int height) {
  HeatGrid grid = zeros(width, height);
  for (const SeenObject& object : objects) {
    const NormalizedRect& b = object.box;
    if (!(b.w > 0 && b.h > 0) || b.w * b.h > objectMaxShare)
      continue;
    float strength = std::clamp(object.confidence, 0.0f, 1.0f) * (object.living ? 1.0f : 0.5f);
    double cx = b.x + b.w * 0.5, cy = 1.0 - (b.y + b.h * 0.5);
    // A soft plateau over the box: flat in its middle, gone a little
    // beyond its edges.
    for (int r = 0; r < height; ++r) {
      double dy = std::max(0.0, std::abs((r + 0.5) / height - cy) - b.h * 0.25) / (b.h * 0.25);
      for (int c = 0; c < width; ++c) {
        double dx = std::max(0.0, std::abs((c + 0.5) / width - cx) - b.w * 0.25) / (b.w * 0.25);
        float value = strength * static_cast<float>(std::exp(-0.5 * (dx * dx + dy * dy)));
        float& cell = grid.values[static_cast<size_t>(r) * width + c];
        cell = std::max(cell, value);
      }
    }
  }
  return grid;
}

HeatGrid faceCue(const std::vector<RectObservation>& faces, int width, int height) {
  HeatGrid grid = zeros(width, height);
  for (const RectObservation& face : faces)
    addFace(grid, face.box, std::clamp(face.confidence, 0.0f, 1.0f));
  for (float& value : grid.values)
    value = std::min(value, 1.0f);
  return grid;
}

HeatGrid centrePrior(int width, int height) {
  HeatGrid grid = zeros(width, height);
  for (int r = 0; r < height; ++r) {
    double dy = ((r + 0.5) / height - 0.5) / centreDeviation;
    for (int c = 0; c < width; ++c) {
      double dx = ((c + 0.5) / width - 0.5) / centreDeviation;
      grid.values[static_cast<size_t>(r) * width + c] =
          static_cast<float>(std::exp(-0.5 * (dx * dx + dy * dy)));
    }
  }
  return grid;
}

HeatGrid mixCues(const Cues& cues, const CueWeights& weights, int width, int height) {
  HeatGrid heat = zeros(width, height);
  const std::pair<const HeatGrid*, float> parts[] = {
      {&cues.focus, weights.focus},           {&cues.colour, weights.colour},
      {&cues.foreground, weights.foreground}, {&cues.objects, weights.objects},
      {&cues.faces, weights.faces},
  };
  float total = 0;
  for (auto [grid, weight] : parts) {
    total += std::max(weight, 0.0f);
    if (!(weight > 0) || grid->values.size() != heat.values.size())
      continue;
    for (size_t i = 0; i < heat.values.size(); ++i)
      heat.values[i] += weight * grid->values[i];
  }
  const HeatGrid prior = centrePrior(width, height);
  const float pull = std::clamp(weights.centre, 0.0f, 1.0f);
  float peak = 0;
  for (size_t i = 0; i < heat.values.size(); ++i) {
    float& value = heat.values[i];
    value *= (1 - pull) + pull * prior.values[i];
    value = value > 0 ? value : 0.0f;  // also clears NaN
    peak = std::max(peak, value);
  }
  if (!(peak >= heatFloor * total) || !(peak > 0)) {
    std::fill(heat.values.begin(), heat.values.end(), 0.0f);
    return heat;
  }
  for (float& value : heat.values)
    value /= peak;
  return heat;
}

}  // namespace vell::platform::vision
