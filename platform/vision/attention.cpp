#include "platform/vision/attention.hpp"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "platform/vision/attention_regions.hpp"
#include "platform/vision/faces.hpp"

namespace vell::platform::vision {

namespace {

// Analysis size: attention is about layout, yet focus needs the fine detail
// of fur and fluff to tell a sharp subject from its soft surroundings.
constexpr int analysisSide = 256;
constexpr int gridSide = 68;

// `picture` shrunk to at most `analysisSide` on its longer side.
Bitmap analysisImage(const Bitmap& picture) {
  cv::Mat rgba(picture.height, picture.width, CV_8UC4,
               const_cast<std::uint8_t*>(picture.rgba.data()));
  double scale =
      std::min(1.0, static_cast<double>(analysisSide) / std::max(picture.width, picture.height));
  cv::Size size(std::max(1, static_cast<int>(std::lround(picture.width * scale))),
                std::max(1, static_cast<int>(std::lround(picture.height * scale))));
  cv::Mat small;
  cv::resize(rgba, small, size, 0, 0, cv::INTER_AREA);
  Bitmap out{size.width, size.height, {}};
  out.rgba.assign(small.datastart, small.dataend);
  return out;
}

// Intersection over union of two boxes.
double overlap(const NormalizedRect& a, const NormalizedRect& b) {
  double w = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
  double h = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
  if (!(w > 0 && h > 0))
    return 0;
  return w * h / (a.w * a.h + b.w * b.h - w * h);
}

}  // namespace

std::vector<SeenObject> seenObjects(const DetectorObservations& observations) {
  std::vector<SeenObject> seen;
  for (const RectObservation& object : observations.objects) {
    bool living = false;
    for (const RectObservation& human : observations.humans)
      living = living || overlap(object.box, human.box) > 0.5;
    for (const RecognizedObject& animal : observations.animals)
      living = living || overlap(object.box, animal.box) > 0.5;
    seen.push_back({object.box, object.confidence, living});
  }
  return seen;
}

Result<Cues> attentionCues(const Bitmap& picture, const AttentionHints& hints) {
  if (picture.empty() ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
    return Error{"attention saliency: empty picture"};
  Cues cues;
  try {
    Bitmap small = analysisImage(picture);
    cues.focus = focusCue(small, gridSide, gridSide);
    cues.colour = colourCue(small, gridSide, gridSide);
  } catch (const cv::Exception& error) {
    return Error{std::string("attention saliency: ") + error.what()};
  }
  if (hints.foreground)
    cues.foreground = foregroundCue(*hints.foreground, gridSide, gridSide);
  cues.objects = objectCue(hints.objects, gridSide, gridSide);
  std::vector<RectObservation> faces;
  if (hints.faces) {
    faces = *hints.faces;
  } else if (auto found = detectFaces(picture)) {
    // Without the face model the other cues still give a map.
    faces = std::move(*found);
  }
  cues.faces = faceCue(faces, gridSide, gridSide);
  return cues;
}

AttentionObservation observationFrom(const Cues& cues, const CueWeights& weights,
                                     float regionLevel) {
  HeatGrid grid = mixCues(cues, weights, gridSide, gridSide);
  AttentionObservation observation;
  observation.salientObjects = salientRegions(grid, regionLevel);
  observation.width = grid.width;
  observation.height = grid.height;
  observation.heat = std::move(grid.values);
  return observation;
}

Result<AttentionObservation> attentionSaliency(const Bitmap& picture, const AttentionHints& hints) {
  auto cues = attentionCues(picture, hints);
  if (!cues)
    return cues.error();
  return observationFrom(*cues, attentionWeights);
}

Result<AttentionObservation> attentionSaliency(const Bitmap& picture) {
  return attentionSaliency(picture, AttentionHints{});
}

}  // namespace vell::platform::vision
