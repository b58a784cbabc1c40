#pragma once

// Attention saliency: where in a picture a viewer's eye goes first, as a
// heat map over the whole picture and boxes around its hot parts.
//
// Safe to call from several threads at once. Nothing here throws, exits or
// prints.

#include <optional>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/attention_cues.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

struct AttentionObservation {
  // The heat map: `width` x `height` cells stretched over the whole
  // picture, entry r * width + c for row r (row 0 at the top) and column c;
  // every value >= 0, the hottest cell 1, or all 0 when nothing stands out.
  int width = 0;
  int height = 0;
  std::vector<float> heat;
  // Boxes around the separate hot parts of the map, the hottest first;
  // lower-left origin, normalised to the picture. None when nothing stands
  // out.
  std::vector<NormalizedRect> salientObjects;
};

// What a caller may already know about the picture, so the request need not
// find it again: the faces (by detectFaces; when absent they are detected
// here), the detector's objects, and the foreground probability.
struct AttentionHints {
  std::optional<std::vector<RectObservation>> faces;
  std::vector<SeenObject> objects;
  std::optional<ForegroundProbability> foreground;
};

// The weights the request mixes its cues with, chosen on photos with their
// subjects marked by hand (docs/attention.md has the figures).
inline constexpr CueWeights attentionWeights{.focus = 1.0f,
                                             .colour = 0.5f,
                                             .foreground = 0.0f,
                                             .objects = 0.25f,
                                             .faces = 1.0f,
                                             .centre = 0.0f};

// The attention heat map and salient regions of `picture` (transparent
// parts count as mid grey), mixed from its cues: focus, colour that stands
// out, the confident foreground, the detector's objects, faces and a weak
// pull to the middle. A featureless picture has no heat and no regions.
// Fails for an empty picture.
Result<AttentionObservation> attentionSaliency(const Bitmap& picture);
Result<AttentionObservation> attentionSaliency(const Bitmap& picture, const AttentionHints& hints);

// The detector's objects as the attention weighs them: living when a person
// or animal the detector names lies in the same place.
std::vector<SeenObject> seenObjects(const DetectorObservations& observations);

// The cues of `picture` on the request's grid, each on its own; for the
// request itself and for choosing the weights.
Result<Cues> attentionCues(const Bitmap& picture, const AttentionHints& hints);

// The level of the peak at which the hot parts of the heat are cut out as
// salient regions. Lower levels hold more of a subject's extent (a whole
// tower rather than its lit top) but spread onto what lies around it (the
// aster under a bee); 0.35 kept two more tuning crops of bench/subjects and
// none more held out, and lets the bee's region spread, so one half stays.
inline constexpr float attentionRegionLevel = 0.5f;

// The observation of a heat map mixed from `cues` with `weights`, its
// regions cut at `regionLevel` of the peak.
AttentionObservation observationFrom(const Cues& cues, const CueWeights& weights,
                                     float regionLevel = attentionRegionLevel);

}  // namespace vell::platform::vision
