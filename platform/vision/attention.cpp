#include "platform/vision/attention.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/saliency.hpp>
#include <string>

#include "platform/vision/attention_regions.hpp"
#include "platform/vision/faces.hpp"

namespace vell::platform::vision {

namespace {

// Analysis size: attention is about coarse layout, and the whole request
// must stay cheap for batches of pictures.
constexpr int analysisSide = 192;
constexpr int gridSide = 68;
// Share of each side taken as the background sample.
constexpr double borderShare = 0.07;
// Centre prior: a Gaussian of this deviation (picture units) lifting the
// middle; `centreFloor` is what the corners keep.
constexpr double centreDeviation = 0.3;
constexpr float centreFloor = 0.35f;
constexpr float faceStrength = 1.0f;
// Shares of the three picture cues.
constexpr float contrastWeight = 0.4f;
constexpr float colourWeight = 0.35f;
constexpr float focusWeight = 0.25f;

// `picture` shrunk to at most `analysisSide` on its longer side, RGB,
// transparent parts over mid grey.
cv::Mat3b analysisImage(const Bitmap& picture) {
  cv::Mat rgba(picture.height, picture.width, CV_8UC4,
               const_cast<std::uint8_t*>(picture.rgba.data()));
  double scale =
      std::min(1.0, static_cast<double>(analysisSide) / std::max(picture.width, picture.height));
  cv::Size size(std::max(1, static_cast<int>(std::lround(picture.width * scale))),
                std::max(1, static_cast<int>(std::lround(picture.height * scale))));
  cv::Mat4b small;
  cv::resize(rgba, small, size, 0, 0, cv::INTER_AREA);
  cv::Mat3b rgb(size);
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x) {
      const cv::Vec4b& p = small(y, x);
      int a = p[3];
      for (int c = 0; c < 3; ++c)
        rgb(y, x)[c] = static_cast<std::uint8_t>((p[c] * a + 128 * (255 - a) + 127) / 255);
    }
  return rgb;
}

// Scales `map` so its largest value is 1 (a map without any stays 0).
void normalisePeak(cv::Mat1f& map) {
  double peak = 0;
  cv::minMaxLoc(map, nullptr, &peak);
  if (peak > 0)
    map *= 1.0 / peak;
}

// Local structure that stands out from the picture's usual spectrum.
cv::Mat1f spectralResidual(const cv::Mat3b& rgb) {
  cv::Mat bgr;
  cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
  auto saliency = cv::saliency::StaticSaliencySpectralResidual::create();
  cv::Mat map;
  if (!saliency->computeSaliency(bgr, map) || map.empty())
    return cv::Mat1f::zeros(rgb.size());
  cv::Mat1f result;
  map.convertTo(result, CV_32F);
  cv::resize(result, result, rgb.size(), 0, 0, cv::INTER_LINEAR);
  cv::GaussianBlur(result, result, {0, 0}, 3.0);
  normalisePeak(result);
  return result;
}

// How far each pixel's colour (CIELAB) is from the background, sampled
// along each of the four borders; the nearest border counts, so a subject
// touching one border still stands out against the other three.
cv::Mat1f borderDistinctness(const cv::Mat3b& rgb) {
  cv::Mat3f lab;
  rgb.convertTo(lab, CV_32F, 1.0 / 255);
  cv::GaussianBlur(lab, lab, {0, 0}, 1.5);
  cv::cvtColor(lab, lab, cv::COLOR_RGB2Lab);
  int bx = std::max(1, static_cast<int>(std::lround(lab.cols * borderShare)));
  int by = std::max(1, static_cast<int>(std::lround(lab.rows * borderShare)));
  std::array<cv::Scalar, 4> sides = {
      cv::mean(lab(cv::Rect(0, 0, lab.cols, by))),
      cv::mean(lab(cv::Rect(0, lab.rows - by, lab.cols, by))),
      cv::mean(lab(cv::Rect(0, 0, bx, lab.rows))),
      cv::mean(lab(cv::Rect(lab.cols - bx, 0, bx, lab.rows))),
  };
  cv::Mat1f distance(lab.size());
  for (int y = 0; y < lab.rows; ++y)
    for (int x = 0; x < lab.cols; ++x) {
      const cv::Vec3f& p = lab(y, x);
      double nearest = 1e9;
      for (const cv::Scalar& side : sides) {
        double dl = p[0] - side[0], da = p[1] - side[1], db = p[2] - side[2];
        nearest = std::min(nearest, dl * dl + da * da + db * db);
      }
      distance(y, x) = static_cast<float>(std::sqrt(nearest));
    }
  cv::GaussianBlur(distance, distance, {0, 0}, 2.0);
  normalisePeak(distance);
  return distance;
}

// Where the picture is in focus: the local energy of the Laplacian. Photos
// are focused on their subject, and backgrounds are often soft.
cv::Mat1f sharpness(const cv::Mat3b& rgb) {
  cv::Mat grey;
  cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
  cv::Mat1f laplacian;
  cv::Laplacian(grey, laplacian, CV_32F);
  cv::Mat1f energy = laplacian.mul(laplacian);
  cv::GaussianBlur(energy, energy, {0, 0}, 4.0);
  cv::sqrt(energy, energy);
  normalisePeak(energy);
  return energy;
}

void applyCentrePrior(cv::Mat1f& map) {
  for (int y = 0; y < map.rows; ++y) {
    double dy = ((y + 0.5) / map.rows - 0.5) / centreDeviation;
    for (int x = 0; x < map.cols; ++x) {
      double dx = ((x + 0.5) / map.cols - 0.5) / centreDeviation;
      float prior = static_cast<float>(std::exp(-0.5 * (dx * dx + dy * dy)));
      map(y, x) *= centreFloor + (1 - centreFloor) * prior;
    }
  }
}

}  // namespace

Result<AttentionObservation> attentionSaliency(const Bitmap& picture) {
  // Faces draw the eye more than anything else. Without the face model the
  // map still stands on the other cues, so a failure here is not fatal.
  auto faces = detectFaces(picture);
  return attentionSaliency(picture, faces ? *faces : std::vector<RectObservation>{});
}

Result<AttentionObservation> attentionSaliency(const Bitmap& picture,
                                               const std::vector<RectObservation>& faces) {
  if (picture.empty() ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return Error{"attention saliency: empty picture"};
  HeatGrid grid{gridSide, gridSide, {}};
  try {
    cv::Mat3b rgb = analysisImage(picture);
    cv::Mat1f map = spectralResidual(rgb) * contrastWeight +
                    borderDistinctness(rgb) * colourWeight + sharpness(rgb) * focusWeight;
    applyCentrePrior(map);
    cv::Mat1f cells;
    cv::resize(map, cells, {gridSide, gridSide}, 0, 0, cv::INTER_AREA);
    grid.values.assign(cells.begin(), cells.end());
  } catch (const cv::Exception& error) {
    return Error{std::string("attention saliency: ") + error.what()};
  }

  for (const RectObservation& face : faces)
    addFace(grid, face.box, faceStrength * face.confidence);

  AttentionObservation observation;
  float peak = 0;
  for (float& value : grid.values) {
    value = value > 0 ? value : 0.0f;  // also clears NaN
    peak = std::max(peak, value);
  }
  if (peak > 0)
    for (float& value : grid.values)
      value /= peak;
  observation.salientObjects = salientRegions(grid);
  observation.width = grid.width;
  observation.height = grid.height;
  observation.heat = std::move(grid.values);
  return observation;
}

}  // namespace vell::platform::vision
