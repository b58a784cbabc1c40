#include "platform/vision/face_crowds.hpp"

#include <algorithm>
#include <cmath>

namespace vell::platform::vision {

namespace {

// Small faces this many or more: look everywhere, not only around them.
constexpr size_t kManySmallFaces = 4;

FaceRegion around(double x0, double y0, double x1, double y1, double grow) {
  double w = x1 - x0, h = y1 - y0;
  return {std::max(0.0, x0 - grow * w), std::max(0.0, y0 - grow * h),
          std::min(1.0, x1 + grow * w), std::min(1.0, y1 + grow * h)};
}

// Tile origins along a side of `length` pixels: the first at 0, the last
// flush with the end.
std::vector<int> starts(int length) {
  std::vector<int> at;
  int step = kCrowdTileSide - kCrowdTileOverlap;
  for (int s = 0;; s += step) {
    if (s + kCrowdTileSide >= length) {
      at.push_back(std::max(0, length - kCrowdTileSide));
      break;
    }
    at.push_back(s);
  }
  return at;
}

}  // namespace

std::vector<FaceRegion> crowdRegions(const std::vector<ScoredBox>& faces,
                                     const std::vector<RectObservation>& people) {
  std::vector<FaceRegion> regions;
  size_t smallFaces = 0;
  for (const auto& face : faces)
    if (face.x1 - face.x0 < kSmallFaceShare) {
      ++smallFaces;
      regions.push_back(around(face.x0, face.y0, face.x1, face.y1, 4.0));
    }
  if (smallFaces >= kManySmallFaces)
    return {{0, 0, 1, 1}};
  std::vector<FaceRegion> heads;
  bool smallPerson = false;
  for (const auto& person : people) {
    if (!(person.confidence > kCrowdPersonScore))
      continue;
    const auto& b = person.box;
    double top = 1.0 - (b.y + b.h);
    // A person whose face was found needs no closer look.
    bool hasFace = std::any_of(faces.begin(), faces.end(), [&](const ScoredBox& face) {
      double cx = (face.x0 + face.x1) / 2, cy = (face.y0 + face.y1) / 2;
      return cx >= b.x && cx <= b.x + b.w && cy >= top && cy <= top + b.h;
    });
    if (hasFace)
      continue;
    smallPerson = smallPerson || b.h < kSmallPersonShare;
    heads.push_back(around(b.x, top, b.x + b.w, top + b.h / 3, 0.25));
  }
  if (heads.size() >= size_t(kCrowdPeople) || smallPerson)
    regions.insert(regions.end(), heads.begin(), heads.end());
  return regions;
}

std::vector<PixelTile> crowdTiles(int width, int height, const std::vector<FaceRegion>& regions) {
  std::vector<PixelTile> tiles;
  if (regions.empty() || std::max(width, height) <= kCrowdTileSide)
    return tiles;
  int w = std::min(width, kCrowdTileSide), h = std::min(height, kCrowdTileSide);
  for (int y : starts(height))
    for (int x : starts(width)) {
      double x0 = double(x) / width, x1 = double(x + w) / width;
      double y0 = double(y) / height, y1 = double(y + h) / height;
      bool meets = std::any_of(regions.begin(), regions.end(), [&](const FaceRegion& r) {
        return r.x0 < x1 && r.x1 > x0 && r.y0 < y1 && r.y1 > y0;
      });
      if (meets)
        tiles.push_back({x, y, w, h});
    }
  return tiles;
}

}  // namespace vell::platform::vision
