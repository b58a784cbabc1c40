#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace vell::platform::vision {

// A line of text as the detector sees it, in picture pixels (origin at the
// top left): the corners of its rotated box in reading order (top left, top
// right, bottom right, bottom left of the writing), and the detector's mean
// probability inside it.
struct LineQuad {
  std::array<cv::Point2f, 4> corners;
  float score = 0;
};

// The corners of a rotated rectangle (any order around it) in reading order:
// the long side is the line's direction, read left to right; a line closer
// to vertical than to horizontal is read downwards (the writing turned a
// quarter clockwise, as on a book's spine).
std::array<cv::Point2f, 4> readingOrder(const std::array<cv::Point2f, 4>& corners);

// The DB post-processing of PP-OCRv4's probability map (row-major,
// `mapWidth` x `mapHeight`, values 0..1) for a `width` x `height` picture:
// every region above 0.3 whose mean probability inside its rotated box
// reaches 0.6, the box grown on every side by its area x 2.0 / perimeter
// (undoing the shrunk targets the detector learnt), in picture pixels. A map
// of the wrong size gives nothing. Top line first, a line's pieces left to
// right.
std::vector<LineQuad> lineQuadsFromProbability(const std::vector<float>& probability, int mapWidth,
                                               int mapHeight, int width, int height);

// The straight box around `quad`, cut to the picture: left, top, right,
// bottom in pixels.
cv::Rect2d boundsOf(const LineQuad& quad, int width, int height);

// The line cut out of `grey` along its rotated box and turned upright: a
// strip `height` pixels high whose width keeps the box's proportions (a
// perspective warp from the four corners; pixels beyond the picture repeat
// its edge). The grown box is margin enough: more lets the neighbouring
// lines of a page into the strip. Empty for a degenerate box.
cv::Mat uprightStrip(const cv::Mat& grey, const LineQuad& quad, int height);

// A piece of a line of text: its words, and the part of the line they take,
// `from` and `to` as fractions of the line's length in characters.
struct LinePiece {
  std::string text;
  double from = 0;
  double to = 1;
};

// `text` (UTF-8) cut into pieces of at most `maxChars` code points: halved
// at the space nearest its middle until every piece fits (in the middle of a
// word only where a half has no space), the spaces at the cuts dropped. A
// text that fits is one piece, 0 to 1.
std::vector<LinePiece> splitLongLine(const std::string& text, size_t maxChars);

}  // namespace vell::platform::vision
