#pragma once

#include <opencv2/core.hpp>
#include <optional>

#include "platform/vision/box_suppression.hpp"

namespace vell::platform::vision {

// The second opinion on a face: BlazeFace gives 0.5-0.83 to orange slices,
// fur, a camel's hump or a coffee cup, so a face it is not sure of stays only
// when FaceMesh, looking closer, also sees one. FaceMesh alone drops small
// blurred faces that BlazeFace is sure of (0.84 for a face 50 pixels wide);
// the two together keep both.
inline constexpr float kSureFaceScore = 0.83f;
inline constexpr float kMinFacePresence = 0.5f;
// FaceMesh looks at a 192-pixel square 1.6 times the face box's longer side.
inline constexpr int kFaceMeshInput = 192;
inline constexpr double kFaceMeshCropScale = 1.6;

// Whether the detector's `score` leaves the face in doubt.
inline bool needsSecondOpinion(float score) {
  return score < kSureFaceScore;
}

// Whether a face stays: the detector is sure of it, or FaceMesh's face
// presence (asked only for faces in doubt) is high enough.
bool keepFace(float score, std::optional<float> presence);

// The square FaceMesh looks at for a face at `box` (normalised to a
// `width` x `height` picture, y down): 1.6 times the box's longer side,
// centred on it, in pixels; it may reach past the picture.
cv::Rect2f faceMeshCrop(const ScoredBox& box, int width, int height);

// The `crop` of `rgb` (8-bit RGB) as FaceMesh looks at it: 192 x 192, 8-bit
// RGB, black where the square reaches past the picture.
cv::Mat faceMeshSquare(const cv::Mat& rgb, const cv::Rect2f& crop);

}  // namespace vell::platform::vision
