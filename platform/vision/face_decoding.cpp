#include "platform/vision/face_decoding.hpp"

#include <algorithm>
#include <cmath>

namespace vell::platform::vision {

namespace {

float sigmoid(float logit) {
  return 1.0f / (1.0f + std::exp(-logit));
}

void decodeGrid(std::span<const float> scores, std::span<const float> regressors, int cells,
                int perCell, int side, float minScore, std::vector<ScoredBox>& out) {
  for (size_t i = 0; i < scores.size(); ++i) {
    float score = sigmoid(scores[i]);
    // NaN from a broken model fails this test too.
    if (!(score >= minScore))
      continue;
    int cell = static_cast<int>(i) / perCell;
    float anchorX = (static_cast<float>(cell % cells) + 0.5f) / static_cast<float>(cells);
    float anchorY = (static_cast<float>(cell / cells) + 0.5f) / static_cast<float>(cells);
    const float* r = regressors.data() + i * kRegressorsPerAnchor;
    float s = static_cast<float>(side);
    float cx = anchorX + r[0] / s, cy = anchorY + r[1] / s;
    float w = r[2] / s, h = r[3] / s;
    if (!(w > 0 && h > 0))
      continue;
    out.push_back({cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, score, static_cast<int>(i)});
  }
}

}  // namespace

std::vector<ScoredBox> decodeBlazeFace(const BlazeFaceOutputs& outputs, float minScore) {
  std::vector<ScoredBox> boxes;
  if (outputs.side <= 0 || outputs.fineScores.size() != kFineCount ||
      outputs.coarseScores.size() != kCoarseCount ||
      outputs.fineRegressors.size() != size_t{kFineCount} * kRegressorsPerAnchor ||
      outputs.coarseRegressors.size() != size_t{kCoarseCount} * kRegressorsPerAnchor)
    return boxes;
  decodeGrid(outputs.fineScores, outputs.fineRegressors, kFineCells, kFineAnchors, outputs.side,
             minScore, boxes);
  decodeGrid(outputs.coarseScores, outputs.coarseRegressors, kCoarseCells, kCoarseAnchors,
             outputs.side, minScore, boxes);
  return boxes;
}

std::vector<ScoredBox> smallFaces(const std::vector<ScoredBox>& candidates) {
  std::vector<ScoredBox> faces;
  for (const auto& face : blendOverlaps(candidates, kFaceOverlap))
    if (std::max(face.x1 - face.x0, face.y1 - face.y0) < kNearFaceSide)
      faces.push_back(face);
  return faces;
}

std::vector<ScoredBox> combineFaceModels(const std::vector<ScoredBox>& fullRange,
                                         const std::vector<ScoredBox>& nearFace) {
  std::vector<ScoredBox> faces = smallFaces(fullRange);
  for (const auto& face : blendOverlaps(nearFace, kFaceOverlap))
    faces.push_back(face);
  return suppressOverlaps(std::move(faces), kFaceOverlap);
}

Letterbox letterboxFor(int width, int height, int side) {
  Letterbox box;
  box.side = side;
  if (width <= 0 || height <= 0 || side <= 0)
    return box;
  double scale = static_cast<double>(side) / std::max(width, height);
  box.width = std::clamp(static_cast<int>(std::lround(width * scale)), 1, side);
  box.height = std::clamp(static_cast<int>(std::lround(height * scale)), 1, side);
  box.x = (side - box.width) / 2;
  box.y = (side - box.height) / 2;
  return box;
}

ScoredBox moveToLetterbox(const ScoredBox& box, const Letterbox& from, const Letterbox& to) {
  auto across = [&](float v) {
    double inPicture = (v * from.side - from.x) / static_cast<double>(from.width);
    return static_cast<float>((inPicture * to.width + to.x) / to.side);
  };
  auto down = [&](float v) {
    double inPicture = (v * from.side - from.y) / static_cast<double>(from.height);
    return static_cast<float>((inPicture * to.height + to.y) / to.side);
  };
  ScoredBox moved = box;
  moved.x0 = across(box.x0);
  moved.x1 = across(box.x1);
  moved.y0 = down(box.y0);
  moved.y1 = down(box.y1);
  return moved;
}

ScoredBox squareToPicture(const ScoredBox& squareBox, const Letterbox& letterbox) {
  auto across = [&](float v) {
    return static_cast<float>((v * letterbox.side - letterbox.x) /
                              static_cast<double>(letterbox.width));
  };
  auto down = [&](float v) {
    return static_cast<float>((v * letterbox.side - letterbox.y) /
                              static_cast<double>(letterbox.height));
  };
  ScoredBox box = squareBox;
  box.x0 = across(squareBox.x0);
  box.x1 = across(squareBox.x1);
  box.y0 = down(squareBox.y0);
  box.y1 = down(squareBox.y1);
  return box;
}

std::vector<PixelTile> detailTiles(int width, int height) {
  if (std::max(width, height) < kDetailMinSide)
    return {};
  int w = static_cast<int>(std::lround(width * kDetailTileShare));
  int h = static_cast<int>(std::lround(height * kDetailTileShare));
  return {{0, 0, w, h}, {width - w, 0, w, h}, {0, height - h, w, h}, {width - w, height - h, w, h}};
}

ScoredBox tileToPicture(const ScoredBox& tileBox, const PixelTile& tile, int width, int height) {
  ScoredBox box = tileBox;
  box.x0 = (tile.x + tileBox.x0 * tile.width) / static_cast<float>(width);
  box.x1 = (tile.x + tileBox.x1 * tile.width) / static_cast<float>(width);
  box.y0 = (tile.y + tileBox.y0 * tile.height) / static_cast<float>(height);
  box.y1 = (tile.y + tileBox.y1 * tile.height) / static_cast<float>(height);
  return box;
}

std::vector<ScoredBox> mergeFaces(const std::vector<ScoredBox>& whole,
                                  const std::vector<ScoredBox>& detail) {
  std::vector<ScoredBox> faces = whole;
  faces.insert(faces.end(), detail.begin(), detail.end());
  return suppressOverlaps(std::move(faces), kFaceOverlap);
}

NormalizedRect lowerLeftRect(const ScoredBox& pictureBox) {
  auto clip = [](float v) { return std::clamp(static_cast<double>(v), 0.0, 1.0); };
  double left = clip(pictureBox.x0), right = clip(pictureBox.x1);
  double top = clip(pictureBox.y0), bottom = clip(pictureBox.y1);
  return {left, 1.0 - bottom, right - left, bottom - top};
}

NormalizedRect pictureRect(const ScoredBox& squareBox, const Letterbox& letterbox) {
  return lowerLeftRect(squareToPicture(squareBox, letterbox));
}

}  // namespace vell::platform::vision
