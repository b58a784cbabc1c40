#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/vision/box_suppression.hpp"
#include "platform/vision/detector.hpp"

namespace vell::platform::vision {

// The detector's geometry: a 512 x 512 input, class heat and box distances on
// a 128 x 128 grid (4 input pixels a cell), 480 backbone channels.
inline constexpr int kCenterNetInput = 512;
inline constexpr int kCenterNetGrid = 128;
inline constexpr int kCenterNetStride = kCenterNetInput / kCenterNetGrid;
inline constexpr int kCocoClasses = 80;
inline constexpr int kFeatureChannels = 480;

// A class counts as detected at a local maximum of its heat at least this
// high (the detector's scores run lower than a classifier's: a clear person
// scores 0.5-0.9, a clear dog 0.4-0.5).
inline constexpr float kDetectionThreshold = 0.25f;
// Detections of the same object overlap by more than this (intersection
// over union); the weaker ones are dropped.
inline constexpr float kDetectionOverlap = 0.5f;
// An animal's labels: the animal classes whose heat at its centre reaches
// this (the detector often splits one animal between cat and dog).
inline constexpr float kAnimalLabelThreshold = 0.1f;
// Classes below this at a cell are noise in the objectness estimate.
inline constexpr float kObjectnessFloor = 0.05f;
inline constexpr size_t kMaxObjects = 10;
// A detection at least this strong names the picture by its kind (animal,
// vehicle, food, ...): below it the detector's guesses (a landscape's
// "sheep", a page's "giraffe") are wrong more often than right. The
// placement analyser counts animals from the same floor, so that every
// animal counted is named.
inline constexpr float kLabelFloor = 0.4f;
// A class names the picture by itself only from here: the detector gives a
// goat "horse", a macaque "dog", a squirrel "bird" at 0.43 to 0.45, where
// "animal" is right. Chosen on the tuning half of bench/quality (152
// photos), label precision and recall there: 0.5 gives 0.934 and 0.640, a
// single floor of 0.4 0.904 and 0.742.
inline constexpr float kClassFloor = 0.5f;

// The raw outputs of one pass, channel-major (NCHW without the batch).
struct CenterNetOutputs {
  std::span<const float> heat;       // kCocoClasses x 128 x 128, after the sigmoid
  std::span<const float> distances;  // 4 x 128 x 128: left, top, right, bottom in input pixels
  std::span<const float> features;   // kFeatureChannels x any number of cells
};

// The COCO super-category of class `index` (0..79) of the detector's
// class list, "person" for the person class.
const char* cocoSuperCategory(int index);
// Whether class `index` is an animal.
bool isAnimalClass(int index);

// Peaks of one class's heat: cells at least `threshold` that no neighbour of
// the 3 x 3 around them exceeds (of equal neighbours, the first in reading
// order wins). Boxes in input pixels, tag = the cell index.
std::vector<ScoredBox> classPeaks(const CenterNetOutputs& outputs, int classIndex, float threshold);

// 1 - prod(1 - p) over the classes from `first` to `last` (inclusive) that
// reach `floor` at `cell`: the chance that at least one of them is there,
// taking the class scores as independent.
float noisyOr(const CenterNetOutputs& outputs, int cell, int first, int last, float floor);

// Everything the detector's outputs say; `classNames` has kCocoClasses
// entries. Outputs of the wrong size give empty observations.
DetectorObservations decodeCenterNet(const CenterNetOutputs& outputs,
                                     const std::vector<std::string>& classNames,
                                     float labelFloor = kLabelFloor);

}  // namespace vell::platform::vision
