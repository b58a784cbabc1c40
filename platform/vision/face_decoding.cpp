#include "platform/vision/face_decoding.hpp"

#include <algorithm>
#include <cmath>

namespace vell::platform::vision {

namespace {

float sigmoid(float logit) {
  return 1.0f / (1.0f + std::exp(-logit));
}

void decodeGrid(std::span<const float> scores, std::span<const float> regressors, int cells, int perCell,
                int side, float minScore, std::vector<ScoredBox>& out) {
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
  decodeGrid(outputs.fineScores, outputs.fineRegressors, kFineCells, kFineAnchors, outputs.side, minScore,
             boxes);
  decodeGrid(outputs.coarseScores, outputs.coarseRegressors, kCoarseCells, kCoarseAnchors, outputs.side,
             minScore, boxes);
  return boxes;
}

std::vector<ScoredBox> combineFaceModels(const std::vector<ScoredBox>& fullRange,
                                         const std::vector<ScoredBox>& nearFace) {
  std::vector<ScoredBox> faces;
  for (const auto& face : blendOverlaps(fullRange, kFaceOverlap))
    if (std::max(face.x1 - face.x0, face.y1 - face.y0) < kNearFaceSide)
      faces.push_back(face);
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

NormalizedRect pictureRect(const ScoredBox& squareBox, const Letterbox& letterbox) {
  auto across = [&](float v) {
    return std::clamp((v * letterbox.side - letterbox.x) / static_cast<double>(letterbox.width), 0.0, 1.0);
  };
  auto down = [&](float v) {
    return std::clamp((v * letterbox.side - letterbox.y) / static_cast<double>(letterbox.height), 0.0, 1.0);
  };
  double left = across(squareBox.x0), right = across(squareBox.x1);
  double top = down(squareBox.y0), bottom = down(squareBox.y1);
  return {left, 1.0 - bottom, right - left, bottom - top};
}

}  // namespace vell::platform::vision
