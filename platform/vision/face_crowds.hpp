#pragma once

#include <vector>

#include "platform/vision/face_decoding.hpp"

namespace vell::platform::vision {

// The closest look for faces: in a crowd or a group photo each face may be
// only 2 % of the picture's width, 5 pixels in the full-range model's
// 256-pixel square and too small even in the corner tiles. The look runs the
// full-range model on square tiles of kCrowdTileSide picture pixels, so such
// faces reach it nearly at their own size. It costs about a dozen runs, so it
// runs only where the first look found a crowd's signs: small faces, or
// several people without a face found, or such people too small to show
// their faces.
inline constexpr int kCrowdTileSide = 320;
inline constexpr int kCrowdTileOverlap = 64;
// Faces narrower than this share of the picture's width are small: a crowd
// or a group at a distance, where more faces hide.
inline constexpr double kSmallFaceShare = 0.05;
// People the detector is fairly sure of (above kCrowdPersonScore) that make a
// group worth the look: this many, or one smaller than kSmallPersonShare of
// the picture's height.
inline constexpr float kCrowdPersonScore = 0.3f;
inline constexpr int kCrowdPeople = 3;
inline constexpr double kSmallPersonShare = 0.4;
// Tile faces must score this much: at this scale the model also fires at
// 0.5-0.7 on fur, leaves and patterns.
inline constexpr float kCrowdMinScore = 0.6f;

// A region where faces may be, normalised to the picture, y down.
struct FaceRegion {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Where the closest look should search a `width` x `height` picture, given
// the faces of the first look (picture-normalised, y down) and the people
// another request found (normalised, lower-left origin, with confidences):
// nothing when nothing calls for it, else the heads' part of each person
// (its upper third, widened), the surroundings of each small face, or the
// whole picture when the small faces are many. People whose face the first
// look found are left out: only faceless people call for the look.
std::vector<FaceRegion> crowdRegions(const std::vector<ScoredBox>& faces,
                                     const std::vector<RectObservation>& people);

// The square tiles (side kCrowdTileSide, overlapping by kCrowdTileOverlap,
// cut to the picture) of a `width` x `height` picture that meet any of
// `regions`. None for pictures smaller than a tile.
std::vector<PixelTile> crowdTiles(int width, int height, const std::vector<FaceRegion>& regions);

}  // namespace vell::platform::vision
