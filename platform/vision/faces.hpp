#pragma once

#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// The faces in a picture: one box per face, normalised with a lower-left
// origin and clipped to the picture, confidence 0..1, strongest first.
// Runs BlazeFace's full-range model (faces of every size, small ones in
// group photos included) and its near-face model (large faces). Safe to call
// from several threads at once; the models load on the process's first call
// and are shared.
// Fails when a model is missing or unreadable, or the bitmap is empty.
Result<std::vector<RectObservation>> detectFaces(const Bitmap& picture);

// What the caller already knows of the picture.
struct FaceHints {
  // People another request found (whole bodies, with confidences): a group
  // of them, or people too small to show their faces, calls for a closer
  // look at their heads (face_crowds.hpp).
  std::vector<RectObservation> people;
};

// The same, with the closest look where the first look or `hints` find a
// crowd's signs.
Result<std::vector<RectObservation>> detectFaces(const Bitmap& picture, const FaceHints& hints);

// Loads both face networks ahead of the first detection, so that a caller
// can overlap the loads with work of its own; a failure is left for
// detectFaces to report.
void prepareFaceDetection();

}  // namespace vell::platform::vision
