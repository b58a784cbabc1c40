#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "platform/vision/network_input.hpp"
#include "platform/vision/text.hpp"
#include "platform/vision/text_lines.hpp"

namespace vell::platform::vision {

namespace {

// As published; it takes any input size whose sides are multiples of 32.
constexpr const char* modelFile = "ch_PP-OCRv4_det_infer.onnx";
constexpr int defaultLongestSide = 800;

// Sides in multiples of 32, the longest at most `longestSide` (800 by
// default: the cost grows faster than the pixels, and lines of the 1.8 %
// height that is read stay over ten pixels high); small pictures are not
// enlarged.
cv::Size inputSize(int width, int height, int longestSide) {
  double scale = std::min(1.0, double(longestSide) / std::max(width, height));
  auto side = [&](int length) {
    return std::max(32, int(std::lround(length * scale / 32.0)) * 32);
  };
  return {side(width), side(height)};
}

// The normalised region of a line found in a `width` x `height` picture.
TextRegion regionOf(const LineQuad& line, int width, int height) {
  cv::Rect2d bounds = boundsOf(line, width, height);
  TextRegion region{normalizedFromPixels(bounds.x, bounds.y, bounds.x + bounds.width,
                                         bounds.y + bounds.height, width, height),
                    line.score,
                    {}};
  for (size_t i = 0; i < 4; ++i)
    region.corners[i] = {line.corners[i].x / double(width),
                         1.0 - line.corners[i].y / double(height)};
  return region;
}

}  // namespace

void prepareTextDetection() {
  (void)loadNetwork(modelFile);
}

Result<std::vector<TextRegion>> detectTextRegions(const Bitmap& picture) {
  return detectTextRegions(picture, defaultLongestSide);
}

Result<std::vector<TextRegion>> detectTextRegions(const Bitmap& picture, int longestSide) {
  if (picture.empty() ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return Error{"text detection: empty picture"};
  auto net = loadNetwork(modelFile);
  if (!net)
    return Error{"text detection: " + net.error().text};
  cv::Mat rgba(picture.height, picture.width, CV_8UC4, const_cast<uint8_t*>(picture.rgba.data()));
  cv::Mat bgr;
  cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
  cv::Size size = inputSize(picture.width, picture.height, std::max(longestSide, 32));
  cv::Mat input;
  cv::resize(bgr, input, size);
  // PaddleOCR's normalisation, with its means in the order of its BGR input.
  constexpr float scale = 1.0f / (255.0f * 0.226f);
  auto outs = (*net)->run(channelPlanesTensor(
      input, {{scale, scale, scale}, {-123.7f * scale, -116.3f * scale, -103.5f * scale}}));
  if (!outs)
    return Error{"text detection: " + outs.error().text};
  const Tensor& out = outs->front();
  if (out.shape.size() != 4 || out.shape[2] != size.height || out.shape[3] != size.width)
    return Error{"text detection: unexpected output shape"};
  std::vector<float> probability(out.values.begin(),
                                 out.values.begin() + size_t(size.width) * size.height);
  std::vector<TextRegion> regions;
  for (const auto& line : lineQuadsFromProbability(probability, size.width, size.height,
                                                   picture.width, picture.height))
    regions.push_back(regionOf(line, picture.width, picture.height));
  return regions;
}

Result<std::vector<RectObservation>> detectTextRectangles(const Bitmap& picture) {
  auto regions = detectTextRegions(picture);
  if (!regions)
    return regions.error();
  std::vector<RectObservation> rectangles;
  for (const auto& region : *regions)
    rectangles.push_back({region.box, region.confidence});
  return rectangles;
}

}  // namespace vell::platform::vision
