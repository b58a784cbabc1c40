#pragma once

#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// An object found with its class labels, best first.
struct RecognizedObject {
  NormalizedRect box;
  float confidence = 0;
  std::vector<Classification> labels;
};

// What one pass of the COCO object detector (CenterNet on MobileNetV3, 80
// classes) tells about a picture. Boxes are normalised with a lower-left
// origin, clipped to the picture; lists are strongest first.
struct DetectorObservations {
  // Each of the 80 classes and its COCO super-category ("animal", "vehicle",
  // "food", "furniture", ...) with the detector's confidence that the
  // picture shows one; those below 0.01 left out.
  std::vector<Classification> labels;
  // Whole-body people.
  std::vector<RectObservation> humans;
  // Animals (bird, cat, dog, horse, sheep, cow, elephant, bear, zebra,
  // giraffe), each with the animal classes it may be.
  std::vector<RecognizedObject> animals;
  // Objects of any class, confidence 0..1 that an object is there: the
  // objectness saliency regions, at most 10.
  std::vector<RectObservation> objects;
  // 480 floats describing the picture's content (the backbone's last layer
  // averaged over the picture); close vectors, similar pictures.
  std::vector<float> featurePrint;
};

// Runs the detector once on `picture`. Safe to call from several threads at
// once; the model loads on the process's first call and is shared. Fails
// when the model or its class list is missing or unreadable, or the bitmap
// is empty.
Result<DetectorObservations> runDetector(const Bitmap& picture);

// A second look for a subject that fills the frame: the detector learnt
// objects with some surroundings and finds none in a cat's face filling the
// whole picture. Here it sees the picture shrunk to `share` of its input's
// side, centred on a grey canvas. Boxes are normalised to the picture (cut
// to it), as in runDetector; classes name the picture from `labelFloor` on.
// Fails like runDetector.
Result<DetectorObservations> runDetectorShrunk(const Bitmap& picture, double share,
                                               float labelFloor);

// Loads the detector's network ahead of its first run, so that a caller can
// overlap the load with work of its own; a failure is left for runDetector
// to report.
void prepareDetector();

}  // namespace vell::platform::vision
