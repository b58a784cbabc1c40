#include "platform/vision/face_presence.hpp"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace vell::platform::vision {

bool keepFace(float score, std::optional<float> presence) {
  if (!needsSecondOpinion(score))
    return true;
  return presence && *presence >= kMinFacePresence;
}

cv::Rect2f faceMeshCrop(const ScoredBox& box, int width, int height) {
  float cx = (box.x0 + box.x1) / 2 * float(width), cy = (box.y0 + box.y1) / 2 * float(height);
  float side = float(kFaceMeshCropScale) *
               std::max((box.x1 - box.x0) * float(width), (box.y1 - box.y0) * float(height));
  return {cx - side / 2, cy - side / 2, side, side};
}

cv::Mat faceMeshSquare(const cv::Mat& rgb, const cv::Rect2f& crop) {
  // An affine map from the square onto the input, so the part beyond the
  // picture comes out black, as the model was run in its own library.
  float scale = float(kFaceMeshInput) / std::max(crop.width, 1.0f);
  cv::Matx23f toInput(scale, 0, -crop.x * scale, 0, scale, -crop.y * scale);
  cv::Mat square;
  cv::warpAffine(rgb, square, toInput, {kFaceMeshInput, kFaceMeshInput}, cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT, cv::Scalar::all(0));
  return square;
}

}  // namespace vell::platform::vision
