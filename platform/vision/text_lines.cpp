#include "platform/vision/text_lines.hpp"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace vell::platform::vision {

namespace {

constexpr float binaryThreshold = 0.3f;
constexpr double boxThreshold = 0.6;
// 1.5 is DB's usual ratio; at 2.0 the box keeps the ascenders, descenders
// and the first and last letters that the straight crops used to cut off.
constexpr double unclipRatio = 2.0;
constexpr int maxCandidates = 1000;
constexpr float minSide = 3;

double length(const cv::Point2f& v) {
  return std::hypot(double(v.x), double(v.y));
}

double boxScore(const cv::Mat& probability, const cv::RotatedRect& box) {
  cv::Point2f corners[4];
  box.points(corners);
  cv::Rect bounds = box.boundingRect() & cv::Rect(0, 0, probability.cols, probability.rows);
  if (bounds.empty())
    return 0;
  cv::Mat mask = cv::Mat::zeros(bounds.size(), CV_8U);
  std::vector<cv::Point> polygon;
  for (const auto& corner : corners)
    polygon.emplace_back(int(std::lround(corner.x)) - bounds.x,
                         int(std::lround(corner.y)) - bounds.y);
  cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, 1);
  return cv::mean(probability(bounds), mask)[0];
}

}  // namespace

std::array<cv::Point2f, 4> readingOrder(const std::array<cv::Point2f, 4>& corners) {
  cv::Point2f centre = (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25f;
  cv::Point2f side1 = corners[1] - corners[0], side2 = corners[2] - corners[1];
  cv::Point2f along = length(side1) >= length(side2) ? side1 : side2;
  cv::Point2f across = length(side1) >= length(side2) ? side2 : side1;
  double run = length(along), rise = length(across);
  if (run <= 0 || rise <= 0)
    return corners;
  cv::Point2f direction = along * float(1.0 / run);
  if (std::abs(direction.x) >= std::abs(direction.y) ? direction.x < 0 : direction.y < 0)
    direction = -direction;
  // Up for the writing: the reading direction turned a quarter to the left
  // (y grows downwards).
  cv::Point2f up(direction.y, -direction.x);
  cv::Point2f halfRun = direction * float(run / 2), halfRise = up * float(rise / 2);
  return {centre - halfRun + halfRise, centre + halfRun + halfRise, centre + halfRun - halfRise,
          centre - halfRun - halfRise};
}

std::vector<LineQuad> lineQuadsFromProbability(const std::vector<float>& probability, int mapWidth,
                                               int mapHeight, int width, int height) {
  std::vector<LineQuad> lines;
  if (mapWidth <= 0 || mapHeight <= 0 || probability.size() != size_t(mapWidth) * mapHeight)
    return lines;
  cv::Mat map(mapHeight, mapWidth, CV_32F, const_cast<float*>(probability.data()));
  cv::Mat binary = map > binaryThreshold;
  std::vector<std::vector<cv::Point>> contours;
  cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
  float scaleX = float(width) / mapWidth, scaleY = float(height) / mapHeight;
  int candidates = 0;
  for (const auto& contour : contours) {
    if (++candidates > maxCandidates)
      break;
    cv::RotatedRect box = cv::minAreaRect(contour);
    if (std::min(box.size.width, box.size.height) < minSide)
      continue;
    double score = boxScore(map, box);
    if (score < boxThreshold)
      continue;
    double area = double(box.size.width) * box.size.height;
    double perimeter = 2.0 * (box.size.width + box.size.height);
    auto distance = float(area * unclipRatio / perimeter);
    box.size.width += 2 * distance;
    box.size.height += 2 * distance;
    if (std::min(box.size.width, box.size.height) < minSide + 2)
      continue;
    std::array<cv::Point2f, 4> corners;
    box.points(corners.data());
    for (auto& corner : corners)
      corner = {corner.x * scaleX, corner.y * scaleY};
    LineQuad line{readingOrder(corners), float(score)};
    if (boundsOf(line, width, height).area() > 0)
      lines.push_back(line);
  }
  // Reading order: top line first; pieces of one line (tops closer than half
  // the lower piece's height) left to right.
  auto byTop = [&](const LineQuad& a, const LineQuad& b) {
    return boundsOf(a, width, height).y < boundsOf(b, width, height).y;
  };
  std::stable_sort(lines.begin(), lines.end(), byTop);
  for (size_t i = 1; i < lines.size(); ++i)
    for (size_t j = i; j > 0; --j) {
      cv::Rect2d a = boundsOf(lines[j - 1], width, height), b = boundsOf(lines[j], width, height);
      bool sameLine = std::abs(a.y - b.y) < 0.5 * std::min(a.height, b.height);
      if (!sameLine || a.x <= b.x)
        break;
      std::swap(lines[j - 1], lines[j]);
    }
  return lines;
}

cv::Rect2d boundsOf(const LineQuad& quad, int width, int height) {
  double left = width, top = height, right = 0, bottom = 0;
  for (const auto& corner : quad.corners) {
    left = std::min(left, double(corner.x));
    right = std::max(right, double(corner.x));
    top = std::min(top, double(corner.y));
    bottom = std::max(bottom, double(corner.y));
  }
  left = std::max(left, 0.0);
  top = std::max(top, 0.0);
  right = std::min(right, double(width));
  bottom = std::min(bottom, double(height));
  if (right <= left || bottom <= top)
    return {};
  return {left, top, right - left, bottom - top};
}

namespace {

// Byte offsets of the code points of `text` (malformed bytes count as one).
std::vector<size_t> codePointStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
      starts.push_back(i);
  return starts;
}

void split(const std::string& text, size_t first, size_t last, const std::vector<size_t>& starts,
           size_t maxChars, size_t total, std::vector<LinePiece>& out) {
  auto byteAt = [&](size_t cp) { return cp < starts.size() ? starts[cp] : text.size(); };
  auto isSpace = [&](size_t cp) { return text[byteAt(cp)] == ' '; };
  while (first < last && isSpace(first))
    ++first;
  while (last > first && isSpace(last - 1))
    --last;
  if (first >= last)
    return;
  if (last - first <= maxChars) {
    out.push_back({text.substr(byteAt(first), byteAt(last) - byteAt(first)),
                   double(first) / double(total), double(last) / double(total)});
    return;
  }
  size_t middle = first + (last - first) / 2, cut = middle;
  for (size_t d = 0; d < (last - first) / 2; ++d) {
    if (isSpace(middle - d)) {
      cut = middle - d;
      break;
    }
    if (middle + d < last && isSpace(middle + d)) {
      cut = middle + d;
      break;
    }
  }
  split(text, first, cut, starts, maxChars, total, out);
  split(text, cut, last, starts, maxChars, total, out);
}

}  // namespace

std::vector<LinePiece> splitLongLine(const std::string& text, size_t maxChars) {
  auto starts = codePointStarts(text);
  if (starts.size() <= maxChars || maxChars == 0)
    return {{text, 0, 1}};
  std::vector<LinePiece> pieces;
  split(text, 0, starts.size(), starts, maxChars, starts.size(), pieces);
  return pieces;
}

cv::Mat uprightStrip(const cv::Mat& grey, const LineQuad& quad, int height) {
  const auto& c = quad.corners;
  double run = length(c[1] - c[0]), rise = length(c[3] - c[0]);
  if (run < 1 || rise < 1 || height < 1 || grey.empty())
    return {};
  int stripWidth = std::max(1, int(std::lround(run * height / rise)));
  cv::Point2f to[] = {
      {0, 0}, {float(stripWidth), 0}, {float(stripWidth), float(height)}, {0, float(height)}};
  cv::Mat strip;
  cv::warpPerspective(grey, strip, cv::getPerspectiveTransform(c.data(), to), {stripWidth, height},
                      cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  return strip;
}

}  // namespace vell::platform::vision
