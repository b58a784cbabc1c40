#pragma once

#include <span>
#include <vector>

#include "platform/vision/box_suppression.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// BlazeFace anchors: a 16 x 16 grid with 2 anchors a cell, then an 8 x 8 grid
// with 6, centred in their cells; 896 in all, for either input size.
inline constexpr int kFineCells = 16, kFineAnchors = 2, kCoarseCells = 8, kCoarseAnchors = 6;
inline constexpr int kFineCount = kFineCells * kFineCells * kFineAnchors;          // 512
inline constexpr int kCoarseCount = kCoarseCells * kCoarseCells * kCoarseAnchors;  // 384
inline constexpr int kRegressorsPerAnchor = 16;

// Score thresholds (after the sigmoid): the full-range model's own working
// point, and a stricter one for the near-face model, which fires at 0.5-0.6
// on animal faces.
inline constexpr float kFullRangeMinScore = 0.5f;
inline constexpr float kNearFaceMinScore = 0.75f;
// Detections of one face by neighbouring anchors overlap by far more than
// this; separate faces (a crowd) rarely do.
inline constexpr float kFaceOverlap = 0.3f;
// Faces at least this large (side over the square's side) are left to the
// near-face model: the full-range one mistakes large face-like textures
// (a cat's face filling the frame) for faces.
inline constexpr float kNearFaceSide = 0.3f;

// Pictures whose long side reaches this get a second, closer look: the
// full-range model on four overlapping tiles, each 60 % of the picture's
// width and height, for faces too small for the whole-picture pass.
inline constexpr int kDetailMinSide = 512;
inline constexpr double kDetailTileShare = 0.6;
// Tiles show textures at a scale where the model errs more often (0.5-0.66
// on fruit, fur and signs), so their faces must score higher.
inline constexpr float kDetailMinScore = 0.7f;

// The raw outputs of one BlazeFace model run on a `side` x `side` input.
struct BlazeFaceOutputs {
  int side = 0;
  std::span<const float> fineScores;        // kFineCount logits
  std::span<const float> coarseScores;      // kCoarseCount logits
  std::span<const float> fineRegressors;    // kFineCount x 16
  std::span<const float> coarseRegressors;  // kCoarseCount x 16
};

// Every anchor scoring at least `minScore`, as a box normalised to the square
// input (0..1, y down), score after the sigmoid. Outputs of the wrong size
// give no candidates.
std::vector<ScoredBox> decodeBlazeFace(const BlazeFaceOutputs& outputs, float minScore);

// One model's candidates blended per face, those smaller than
// kNearFaceSide of the square kept.
std::vector<ScoredBox> smallFaces(const std::vector<ScoredBox>& candidates);

// The faces of one picture from both models' candidates (square-normalised):
// each model's candidates blended per face; full-range faces smaller than
// kNearFaceSide and all near-face ones, the better of two overlapping kept.
std::vector<ScoredBox> combineFaceModels(const std::vector<ScoredBox>& fullRange,
                                         const std::vector<ScoredBox>& nearFace);

// Where a `width` x `height` picture sits when scaled to fit a `side` square
// and centred in it (the rest padded).
struct Letterbox {
  int side = 0;
  int x = 0, y = 0;           // top-left of the picture in the square
  int width = 0, height = 0;  // its scaled size
};
Letterbox letterboxFor(int width, int height, int side);

// A box normalised to the square of `from` moved to the square of `to` (the
// same picture letterboxed at another size; rounding makes them differ).
ScoredBox moveToLetterbox(const ScoredBox& box, const Letterbox& from, const Letterbox& to);

// A square-normalised box normalised to the picture instead (0..1 across
// and down, not clipped).
ScoredBox squareToPicture(const ScoredBox& squareBox, const Letterbox& letterbox);

// A rectangle of pixels of the picture.
struct PixelTile {
  int x = 0, y = 0, width = 0, height = 0;
};
// The tiles of the closer look at a `width` x `height` picture: none below
// kDetailMinSide, else four overlapping ones at its corners.
std::vector<PixelTile> detailTiles(int width, int height);
// A box normalised to `tile` normalised to the whole `width` x `height`
// picture instead.
ScoredBox tileToPicture(const ScoredBox& tileBox, const PixelTile& tile, int width, int height);

// The faces of the whole-picture pass and of the tiles (picture-normalised),
// one box a face: of overlapping ones the more confident.
std::vector<ScoredBox> mergeFaces(const std::vector<ScoredBox>& whole,
                                  const std::vector<ScoredBox>& detail);

// A picture-normalised box (y down) as a rectangle with a lower-left origin,
// clipped to the picture.
NormalizedRect lowerLeftRect(const ScoredBox& pictureBox);

// A square-normalised box as a rectangle of the picture, lower-left origin,
// clipped to the picture.
NormalizedRect pictureRect(const ScoredBox& squareBox, const Letterbox& letterbox);

}  // namespace vell::platform::vision
