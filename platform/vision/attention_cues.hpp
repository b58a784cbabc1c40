#pragma once

// The cues attention saliency is mixed from, each measured on its own: where
// a picture is in focus against a blurred rest, where its colour stands out
// from its surroundings, what a confident foreground mask holds, where the
// detector's objects and the faces are, and a weak pull to the middle.
//
// Every cue is a grid over the whole picture (row 0 at the top) with values
// 0..1 on an absolute scale: 0 where the cue sees nothing, 1 where it is as
// sure as it gets. Nothing is scaled to a picture's own peak, so a
// featureless picture gives nothing at all rather than its noise made loud.

#include <vector>

#include "platform/image/bitmap.hpp"
#include "platform/vision/attention_regions.hpp"
#include "platform/vision/observation.hpp"

namespace vell::platform::vision {

// Where `picture` is in focus: the local energy of fine detail, scaled so
// its strong end is 1 when the picture has a blurred part to set it against.
// A picture sharp all over (or soft all over) says little about where its
// subject is, so the map is weakened by the share of the picture that is
// sharp. `width` x `height` cells.
HeatGrid focusCue(const Bitmap& picture, int width, int height);

// How far each part's colour (CIELAB) stands out from its surroundings and
// from the picture's borders, 1 at a distance of `colourScale` or more;
// also weakened when much of the picture stands out alike.
inline constexpr double colourScale = 45.0;
HeatGrid colourCue(const Bitmap& picture, int width, int height);

// A foreground probability (0..1) over the whole picture, from the
// segmentation network.
struct ForegroundProbability {
  int width = 0;
  int height = 0;
  std::vector<float> values;
};

// The foreground mask as a cue, but only when the network is confident:
// its strongest cell above `foregroundSure` and the part above one half
// between `foregroundMinShare` and `foregroundMaxShare` of the picture.
// Otherwise (a faint mask, a speck, or most of the picture) nothing.
inline constexpr float foregroundSure = 0.9f;
inline constexpr double foregroundMinShare = 0.02;
inline constexpr double foregroundMaxShare = 0.6;
HeatGrid foregroundCue(const ForegroundProbability& mask, int width, int height);

// A detected object: its box (normalised, lower-left origin), the
// detector's confidence, and whether its class is one that draws the eye
// (a person or an animal) rather than scenery or furniture.
struct SeenObject {
  NormalizedRect box;
  float confidence = 0;
  bool living = false;
};

// Objects the detector really sees: each a soft blob filling its box, as
// strong as its confidence (living things fully, other classes at half);
// boxes over `objectMaxShare` of the picture are scenery and left out.
inline constexpr double objectMaxShare = 0.5;
HeatGrid objectCue(const std::vector<SeenObject>& objects, int width, int height);

// Faces and the bodies below them (see addFace), each as strong as its
// confidence, at most 1.
HeatGrid faceCue(const std::vector<RectObservation>& faces, int width, int height);

// The weak pull of the middle: 1 there, falling as a Gaussian of deviation
// 0.35 of the picture towards the corners.
HeatGrid centrePrior(int width, int height);

// The weight of each cue in the mix.
struct CueWeights {
  float focus = 0;
  float colour = 0;
  float foreground = 0;
  float objects = 0;
  float faces = 0;
  float centre = 0;
};

struct Cues {
  HeatGrid focus;
  HeatGrid colour;
  HeatGrid foreground;
  HeatGrid objects;
  HeatGrid faces;
};

// The weighted sum of `cues` (grids of the same size; an empty one counts
// as nothing), multiplied by a mix of 1 and the centre prior. Heat below
// `heatFloor` of the weights' total is no heat: then the result is all 0
// and nothing stands out. Otherwise scaled to a peak of 1.
inline constexpr float heatFloor = 0.08f;
HeatGrid mixCues(const Cues& cues, const CueWeights& weights, int width, int height);

}  // namespace vell::platform::vision
