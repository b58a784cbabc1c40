#include "platform/vision/foreground_mask.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

namespace vell::platform::vision {

namespace {

constexpr float subjectThreshold = 0.5f;
constexpr double minSubjectShare = 0.0025;
constexpr int maxInstances = 255;
// The alpha ramp: probabilities below `alphaFloor` are background, above
// `alphaCeiling` fully foreground.
constexpr float alphaFloor = 0.1f;
constexpr float alphaCeiling = 0.9f;
// How far (in grid cells) a subject's soft edge may reach beyond its cells
// at 0.5; enough for the model's ramp, which spans one or two cells.
constexpr int fringeCells = 3;

// Instance number per grid cell (0 background), subjects numbered by
// decreasing area, each grown by its fringe.
cv::Mat1b labelSubjects(const cv::Mat1f& probability, int& count) {
  cv::Mat1b foreground = probability >= subjectThreshold;
  cv::Mat labels, stats, centroids;
  int found = cv::connectedComponentsWithStats(foreground, labels, stats, centroids, 8, CV_32S);
  double minArea = minSubjectShare * probability.total();
  std::vector<int> kept;
  for (int label = 1; label < found; ++label)
    if (stats.at<int>(label, cv::CC_STAT_AREA) >= minArea)
      kept.push_back(label);
  std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) {
    return stats.at<int>(a, cv::CC_STAT_AREA) > stats.at<int>(b, cv::CC_STAT_AREA);
  });
  if (kept.size() > maxInstances)
    kept.resize(maxInstances);
  count = static_cast<int>(kept.size());

  std::vector<std::uint8_t> number(found, 0);
  for (size_t i = 0; i < kept.size(); ++i)
    number[kept[i]] = static_cast<std::uint8_t>(i + 1);
  cv::Mat1b instances(probability.size());
  for (int y = 0; y < labels.rows; ++y) {
    const int* source = labels.ptr<int>(y);
    std::uint8_t* target = instances.ptr<std::uint8_t>(y);
    for (int x = 0; x < labels.cols; ++x)
      target[x] = number[source[x]];
  }
  // Grow each subject over its soft edge. Where two fringes meet the larger
  // number wins, which only decides which instance a faint pixel joins.
  cv::Mat1b grown;
  cv::dilate(instances, grown,
             cv::getStructuringElement(cv::MORPH_RECT, {2 * fringeCells + 1, 2 * fringeCells + 1}));
  grown.setTo(0, instances > 0);
  return instances | grown;
}

}  // namespace

InstanceMask instancesFromProbability(const ProbabilityGrid& grid, int width, int height) {
  InstanceMask mask;
  mask.width = width;
  mask.height = height;
  size_t pixels = static_cast<size_t>(width) * height;
  mask.instance.assign(pixels, 0);
  mask.alpha.assign(pixels, 0.0f);
  if (pixels == 0 || grid.width <= 0 || grid.height <= 0 ||
      grid.values.size() != static_cast<size_t>(grid.width) * grid.height)
    return mask;

  cv::Mat1f probability(grid.height, grid.width, const_cast<float*>(grid.values.data()));
  int count = 0;
  cv::Mat1b labels = labelSubjects(probability, count);
  if (count == 0)
    return mask;
  mask.allInstances.resize(count);
  std::iota(mask.allInstances.begin(), mask.allInstances.end(), 1);

  // Bilinear upsampling keeps the model's ramp smooth at any scale; the
  // labels only say which subject a pixel joins, so nearest is enough.
  cv::Mat1f alpha(height, width, mask.alpha.data());
  cv::resize(probability, alpha, alpha.size(), 0, 0, cv::INTER_LINEAR);
  cv::Mat1b instance(height, width, mask.instance.data());
  cv::resize(labels, instance, instance.size(), 0, 0, cv::INTER_NEAREST);

  cv::parallel_for_(cv::Range(0, height), [&](const cv::Range& rows) {
    constexpr float scale = 1.0f / (alphaCeiling - alphaFloor);
    for (int y = rows.start; y < rows.end; ++y) {
      float* a = alpha.ptr<float>(y);
      std::uint8_t* label = instance.ptr<std::uint8_t>(y);
      for (int x = 0; x < width; ++x) {
        float value = std::clamp((a[x] - alphaFloor) * scale, 0.0f, 1.0f);
        if (label[x] == 0 || !(value > 0.0f)) {
          a[x] = 0.0f;
          label[x] = 0;
        } else {
          a[x] = value;
        }
      }
    }
  });
  // An instance whose every pixel fell below the floor at this size is gone.
  std::array<bool, maxInstances + 1> present{};
  for (std::uint8_t label : mask.instance)
    present[label] = true;
  std::erase_if(mask.allInstances, [&](int index) { return !present[index]; });
  return mask;
}

Result<Bitmap> maskedImage(const Bitmap& picture, const InstanceMask& mask,
                           const std::vector<int>& instances, bool croppedToExtent) {
  size_t pixels = static_cast<size_t>(std::max(picture.width, 0)) * std::max(picture.height, 0);
  if (picture.empty() || mask.width != picture.width || mask.height != picture.height ||
      mask.instance.size() != pixels || mask.alpha.size() != pixels ||
      picture.rgba.size() != pixels * 4)
    return Error{"the foreground mask does not fit the picture"};
  std::array<bool, maxInstances + 1> chosen{};
  for (int index : instances) {
    if (!std::binary_search(mask.allInstances.begin(), mask.allInstances.end(), index))
      return Error{"no foreground instance " + std::to_string(index)};
    chosen[index] = true;
  }

  // Output alpha in 8 bits; the extent holds every pixel it leaves visible.
  auto alphaAt = [&](size_t i) -> std::uint8_t {
    if (!chosen[mask.instance[i]])
      return 0;
    return static_cast<std::uint8_t>(mask.alpha[i] * picture.rgba[i * 4 + 3] + 0.5f);
  };
  // Rows in parallel: a 12-megapixel picture is a lot of pixels to scan.
  std::vector<int> firstVisible(picture.height, picture.width), lastVisible(picture.height, -1);
  cv::parallel_for_(cv::Range(0, picture.height), [&](const cv::Range& rows) {
    for (int y = rows.start; y < rows.end; ++y) {
      size_t row = static_cast<size_t>(y) * picture.width;
      for (int x = 0; x < picture.width; ++x)
        if (alphaAt(row + x) != 0) {
          firstVisible[y] = std::min(firstVisible[y], x);
          lastVisible[y] = x;
        }
    }
  });
  int left = picture.width, top = picture.height, right = -1, bottom = -1;
  for (int y = 0; y < picture.height; ++y) {
    if (lastVisible[y] < 0)
      continue;
    left = std::min(left, firstVisible[y]);
    right = std::max(right, lastVisible[y]);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0)
    return Error{"the foreground instances cover no pixel"};
  if (!croppedToExtent) {
    left = top = 0;
    right = picture.width - 1;
    bottom = picture.height - 1;
  }

  Bitmap out;
  out.width = right - left + 1;
  out.height = bottom - top + 1;
  out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
  cv::parallel_for_(cv::Range(0, out.height), [&](const cv::Range& rows) {
    for (int y = rows.start; y < rows.end; ++y) {
      for (int x = 0; x < out.width; ++x) {
        size_t i = static_cast<size_t>(y + top) * picture.width + (x + left);
        std::uint8_t a = alphaAt(i);
        if (a == 0)
          continue;  // fully transparent pixels stay 0, 0, 0, 0
        std::uint8_t* target = out.pixel(x, y);
        std::copy_n(&picture.rgba[i * 4], 3, target);
        target[3] = a;
      }
    }
  });
  return out;
}

}  // namespace vell::platform::vision
