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

// The edge refinement works on a copy of at most this many pixels on its
// longer side and brings the fit back to full size; its windows reach
// `refineRadius` pixels of the copy (a few cells of the network's grid on a
// large photo), and the fit's regulariser keeps flat parts of the picture
// from inventing edges (colours 0..1).
constexpr int refineSide = 1024;
constexpr int refineRadius = 6;
constexpr float refineSmoothing = 1e-3f;
// Refitted alpha below the floor is haze, above the ceiling solid.
constexpr float refinedFloor = 0.05f;
constexpr float refinedCeiling = 0.95f;

// The closer look's margin on each side, a share of the subjects' box, and
// how much of the picture the box may cover before the closer look is no
// closer.
constexpr double closeMargin = 0.1;
constexpr double closeShareLimit = 0.8;

// How many of the grid's cells a subject needs: a speck is small beside
// the picture, not beside the part the grid covers.
double speckCells(const ProbabilityGrid& grid, int width, int height) {
  const PixelBox& over = grid.over;
  double picture = double(width) * height;
  double covered = over.width > 0 && over.height > 0 ? double(over.width) * over.height : picture;
  return minSubjectShare * double(grid.width) * grid.height * picture / covered;
}

// Instance number per grid cell (0 background), subjects numbered by
// decreasing area, each grown by its fringe.
cv::Mat1b labelSubjects(const cv::Mat1f& probability, double minArea, int& count) {
  cv::Mat1b foreground = probability >= subjectThreshold;
  cv::Mat labels, stats, centroids;
  int found = cv::connectedComponentsWithStats(foreground, labels, stats, centroids, 8, CV_32S);
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

// The local linear fit of `p` to the colour `guide` (He, Sun and Tang's
// guided filter), as its averaged coefficients: alpha = a . colour + b.
struct LinearFit {
  cv::Mat3f a;
  cv::Mat1f b;
};

LinearFit guidedFit(const cv::Mat3f& guide, const cv::Mat1f& p, int radius, float smoothing) {
  const cv::Size window(2 * radius + 1, 2 * radius + 1);
  auto mean = [&](const cv::Mat& m) {
    cv::Mat out;
    cv::boxFilter(m, out, CV_32F, window, {-1, -1}, true, cv::BORDER_REFLECT);
    return out;
  };
  std::array<cv::Mat1f, 3> colour;
  cv::split(guide, colour.data());
  std::array<cv::Mat1f, 3> meanColour, meanColourP;
  for (int c = 0; c < 3; ++c) {
    meanColour[c] = mean(colour[c]);
    meanColourP[c] = mean(colour[c].mul(p));
  }
  const cv::Mat1f meanP = mean(p);
  // The colour covariance, its six distinct entries.
  constexpr int pairs[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
  std::array<cv::Mat1f, 6> covariance;
  for (int k = 0; k < 6; ++k) {
    auto [i, j] = pairs[k];
    covariance[k] = mean(colour[i].mul(colour[j])) - meanColour[i].mul(meanColour[j]);
  }
  cv::Mat3f a(p.size());
  cv::Mat1f b(p.size());
  cv::parallel_for_(cv::Range(0, p.rows), [&](const cv::Range& rows) {
    for (int y = rows.start; y < rows.end; ++y)
      for (int x = 0; x < p.cols; ++x) {
        cv::Matx33f sigma;
        for (int k = 0; k < 6; ++k) {
          auto [i, j] = pairs[k];
          sigma(i, j) = sigma(j, i) = covariance[k](y, x);
        }
        for (int i = 0; i < 3; ++i)
          sigma(i, i) += smoothing;
        cv::Vec3f cross, mu;
        for (int c = 0; c < 3; ++c) {
          mu[c] = meanColour[c](y, x);
          cross[c] = meanColourP[c](y, x) - mu[c] * meanP(y, x);
        }
        cv::Vec3f coefficient = sigma.solve(cross, cv::DECOMP_CHOLESKY);
        a(y, x) = coefficient;
        b(y, x) = meanP(y, x) - coefficient.dot(mu);
      }
  });
  return {mean(a), mean(b)};
}

// Where full-size pixel `i` of `n` falls between samples of a copy of
// `m` pixels (centres aligned, as cv::resize does): the sample before it
// and the weight of the one after.
struct Tap {
  int first, second;
  float weight;
};

std::vector<Tap> taps(int n, int m) {
  std::vector<Tap> out(static_cast<size_t>(n));
  const double scale = static_cast<double>(m) / n;
  for (int i = 0; i < n; ++i) {
    double at = std::clamp((i + 0.5) * scale - 0.5, 0.0, m - 1.0);
    int first = static_cast<int>(at);
    out[static_cast<size_t>(i)] = {first, std::min(first + 1, m - 1),
                                   static_cast<float>(at - first)};
  }
  return out;
}

}  // namespace

std::optional<PixelBox> subjectsBox(const ProbabilityGrid& grid, int width, int height) {
  if (width <= 0 || height <= 0 || grid.width <= 0 || grid.height <= 0 ||
      grid.values.size() != static_cast<size_t>(grid.width) * grid.height)
    return std::nullopt;
  cv::Mat1f probability(grid.height, grid.width, const_cast<float*>(grid.values.data()));
  int count = 0;
  cv::Mat1b labels = labelSubjects(probability, speckCells(grid, width, height), count);
  if (count == 0)
    return std::nullopt;
  // The subjects' cells at 0.5 or more, not their fringes.
  cv::Rect cells = cv::boundingRect(labels & cv::Mat1b(probability >= subjectThreshold));
  const double cellWidth = double(width) / grid.width, cellHeight = double(height) / grid.height;
  double left = cells.x * cellWidth, right = (cells.x + cells.width) * cellWidth;
  double top = cells.y * cellHeight, bottom = (cells.y + cells.height) * cellHeight;
  const double marginX = closeMargin * (right - left), marginY = closeMargin * (bottom - top);
  PixelBox box;
  box.left = std::max(0, static_cast<int>(std::floor(left - marginX)));
  box.top = std::max(0, static_cast<int>(std::floor(top - marginY)));
  box.width = std::min(width, static_cast<int>(std::ceil(right + marginX))) - box.left;
  box.height = std::min(height, static_cast<int>(std::ceil(bottom + marginY))) - box.top;
  if (double(box.width) * box.height > closeShareLimit * double(width) * height)
    return std::nullopt;
  return box;
}

double unsureShare(const ProbabilityGrid& grid) {
  size_t unsure = 0, sure = 0;
  for (float p : grid.values) {
    sure += p >= subjectThreshold;
    unsure += p > 0.1f && p < 0.9f;
  }
  return sure == 0 ? 0.0 : double(unsure) / double(sure);
}

ProbabilityGrid meanOfLooks(const ProbabilityGrid& glance, const ProbabilityGrid& closer, int width,
                            int height) {
  ProbabilityGrid mean = closer;
  const PixelBox& box = closer.over;
  if (width <= 0 || height <= 0 || box.width <= 0 || box.height <= 0 || glance.width <= 0 ||
      glance.height <= 0 || closer.width <= 0 || closer.height <= 0 ||
      glance.values.size() != static_cast<size_t>(glance.width) * glance.height ||
      closer.values.size() != static_cast<size_t>(closer.width) * closer.height)
    return mean;
  // The glance at the centres of the closer look's cells: a cell centre at
  // picture x lies at x * glance.width / width - 0.5 in the glance's cells.
  const double sx = double(glance.width) / width, sy = double(glance.height) / height;
  const double cellW = double(box.width) / closer.width, cellH = double(box.height) / closer.height;
  const cv::Matx23d toGlance(cellW * sx, 0, (box.left + 0.5 * cellW) * sx - 0.5, 0, cellH * sy,
                             (box.top + 0.5 * cellH) * sy - 0.5);
  cv::Mat1f first(glance.height, glance.width, const_cast<float*>(glance.values.data()));
  cv::Mat1f resampled;
  cv::warpAffine(first, resampled, toGlance, {closer.width, closer.height},
                 cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
  cv::Mat1f second(closer.height, closer.width, mean.values.data());
  second = (second + resampled) * 0.5f;
  return mean;
}

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

  const cv::Rect whole(0, 0, width, height);
  cv::Rect over(grid.over.left, grid.over.top, grid.over.width, grid.over.height);
  if (over.empty())
    over = whole;
  if ((over & whole) != over)
    return mask;

  cv::Mat1f probability(grid.height, grid.width, const_cast<float*>(grid.values.data()));
  int count = 0;
  cv::Mat1b labels = labelSubjects(probability, speckCells(grid, width, height), count);
  if (count == 0)
    return mask;
  mask.allInstances.resize(count);
  std::iota(mask.allInstances.begin(), mask.allInstances.end(), 1);

  // Bilinear upsampling keeps the model's ramp smooth at any scale; the
  // labels only say which subject a pixel joins, so nearest is enough.
  // Outside the part the grid covers everything stays background.
  cv::Mat1f alpha(height, width, mask.alpha.data());
  cv::Mat1f alphaOver = alpha(over);
  cv::resize(probability, alphaOver, over.size(), 0, 0, cv::INTER_LINEAR);
  cv::Mat1b instance(height, width, mask.instance.data());
  cv::Mat1b instanceOver = instance(over);
  cv::resize(labels, instanceOver, over.size(), 0, 0, cv::INTER_NEAREST);

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

void refineAlongEdges(const Bitmap& picture, InstanceMask& mask) {
  const size_t pixels =
      static_cast<size_t>(std::max(picture.width, 0)) * std::max(picture.height, 0);
  if (pixels == 0 || mask.allInstances.empty() || mask.width != picture.width ||
      mask.height != picture.height || mask.alpha.size() != pixels ||
      mask.instance.size() != pixels || picture.rgba.size() != pixels * 4)
    return;
  const int W = picture.width, H = picture.height;
  const double scale = std::min(1.0, static_cast<double>(refineSide) / std::max(W, H));
  const cv::Size small(std::max(1, static_cast<int>(std::lround(W * scale))),
                       std::max(1, static_cast<int>(std::lround(H * scale))));
  const int radius = refineRadius;

  cv::Mat rgba(H, W, CV_8UC4, const_cast<std::uint8_t*>(picture.rgba.data()));
  cv::Mat shrunk;
  cv::resize(rgba, shrunk, small, 0, 0, cv::INTER_AREA);
  cv::Mat3f guide;
  cv::cvtColor(shrunk, shrunk, cv::COLOR_RGBA2RGB);
  shrunk.convertTo(guide, CV_32F, 1.0 / 255);
  cv::Mat1f alpha(H, W, mask.alpha.data()), p;
  cv::resize(alpha, p, small, 0, 0, cv::INTER_AREA);
  LinearFit fit = guidedFit(guide, p, radius, refineSmoothing);

  // An instance's reach: its pixels grown by the window, so a refitted
  // edge may move out as far as the fit looks, and no farther.
  cv::Mat1b labels(H, W, mask.instance.data()), near;
  cv::resize(labels, near, small, 0, 0, cv::INTER_NEAREST);
  cv::dilate(near, near,
             cv::getStructuringElement(cv::MORPH_ELLIPSE, {2 * radius + 1, 2 * radius + 1}));

  const std::vector<Tap> columns = taps(W, small.width), rows = taps(H, small.height);
  cv::parallel_for_(cv::Range(0, H), [&](const cv::Range& range) {
    constexpr float stretch = 1.0f / (refinedCeiling - refinedFloor);
    for (int y = range.start; y < range.end; ++y) {
      const Tap& r = rows[static_cast<size_t>(y)];
      const cv::Vec3f* a0 = fit.a.ptr<cv::Vec3f>(r.first);
      const cv::Vec3f* a1 = fit.a.ptr<cv::Vec3f>(r.second);
      const float* b0 = fit.b.ptr<float>(r.first);
      const float* b1 = fit.b.ptr<float>(r.second);
      const std::uint8_t* reach = near.ptr<std::uint8_t>(static_cast<int>(
          std::min<double>(small.height - 1, std::floor((y + 0.5) * small.height / H))));
      for (int x = 0; x < W; ++x) {
        const size_t i = static_cast<size_t>(y) * W + x;
        const std::uint8_t instance =
            reach[std::min<int>(small.width - 1, static_cast<int>((x + 0.5) * small.width / W))];
        if (instance == 0) {
          mask.alpha[i] = 0;
          mask.instance[i] = 0;
          continue;
        }
        const Tap& c = columns[static_cast<size_t>(x)];
        const float wy = r.weight, wx = c.weight;
        const cv::Vec3f a = (a0[c.first] * (1 - wx) + a0[c.second] * wx) * (1 - wy) +
                            (a1[c.first] * (1 - wx) + a1[c.second] * wx) * wy;
        const float b = (b0[c.first] * (1 - wx) + b0[c.second] * wx) * (1 - wy) +
                        (b1[c.first] * (1 - wx) + b1[c.second] * wx) * wy;
        const std::uint8_t* colour = &picture.rgba[i * 4];
        const float fitted = (a[0] * colour[0] + a[1] * colour[1] + a[2] * colour[2]) / 255.0f + b;
        const float refitted = std::clamp((fitted - refinedFloor) * stretch, 0.0f, 1.0f);
        // The refit decides on which side of the cut a pixel lies; the
        // network's own ramp stays where they agree, as the fit's windows
        // would only widen it.
        const float value =
            (refitted >= 0.5f) == (mask.alpha[i] >= 0.5f) ? mask.alpha[i] : refitted;
        mask.alpha[i] = value;
        if (value > 0 && mask.instance[i] == 0)
          mask.instance[i] = instance;
        else if (!(value > 0))
          mask.instance[i] = 0;
      }
    }
  });
  std::array<bool, maxInstances + 1> present{};
  for (std::uint8_t label : mask.instance)
    present[label] = true;
  std::erase_if(mask.allInstances, [&](int index) { return !present[index]; });
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
