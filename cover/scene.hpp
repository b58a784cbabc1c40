#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cover/box.hpp"
#include "cover/geometry.hpp"
#include "cover/working_image.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/attention_cues.hpp"
#include "platform/vision/observation.hpp"

namespace vell::cover {

// What the saliency analyses saw in the working image. Empty when they saw
// nothing or failed: the crop choice then falls back on its own.
struct Scene {
  std::vector<float> heat;  // hw x hh samples, row 0 at the top, none negative
  std::int64_t hw = 0;
  std::int64_t hh = 0;
  std::vector<Box> attention;
  std::vector<ObjectRegion> objects;
  // The objects as the attention analysis weighs them.
  std::vector<platform::vision::SeenObject> seen;
};

// Takes `samples` (`width` x `height`, row 0 at the top) as the heat map,
// negative and NaN samples as 0. A map whose sample count does not match its
// size is left out.
void addHeatMap(Scene& scene, std::int64_t width, std::int64_t height,
                const std::vector<float>& samples);
// The attention regions, converted to top-left boxes, in order.
void addAttentionRegions(Scene& scene,
                         const std::vector<platform::vision::NormalizedRect>& regions);
// The object regions with their confidences, in order.
void addObjects(Scene& scene, const std::vector<platform::vision::RectObservation>& objects);

// The analyses look at no finer detail than this many pixels on the longer
// side (their networks take 512 pixels or less), so they are given a copy
// of the working image of at most this size: practically the same answers,
// found sooner.
inline constexpr int analysisSide = 512;

// `picture` scaled down (Lanczos) to at most `side` pixels on its longer
// side; unchanged when it is no longer.
platform::Bitmap scaledDown(const platform::Bitmap& picture, int side);

// The working image, its analysis copy and what the analyses saw in it.
// When nothing is blurred the working image is the upright photo, and the
// analysis copy is shrunk while loading from the file. Then, unless
// `wholePicture` asks for its pixels, the working image is left in the file:
// `working` gives its size with an empty bitmap, and `photo` holds the file,
// from which the crop alone is decoded later (`decodeCropScaled`). Otherwise
// the full-size decode runs on a second thread beside the analysis, as
// neither needs the other. With blur regions the copy is scaled down from
// the working image once it is made. `scene` is empty when the working image
// could not be made.
struct Sighted {
  Result<WorkingImage> working;
  platform::Bitmap analysisPicture;
  Scene scene;
  std::vector<std::uint8_t> photo;
};
Sighted loadAndAnalyse(const std::string& path, const std::optional<std::string>& blur,
                       bool wholePicture = true);

// The part of the analysis copy under `crop` (image units): the crop as the
// aesthetics analysis sees it.
platform::Bitmap analysisCrop(const platform::Bitmap& copy, const Box& crop);

// Runs the attention and objectness saliency analyses on the analysis copy
// of the working image. Never fails: a failed analysis contributes nothing.
Scene analyseScene(const platform::Bitmap& copy);

// The attention analysis's heat map and regions, added to `scene`; nothing
// when the analysis fails or is not installed. It weighs the objects the
// objectness analysis found, so that runs first.
void addAttention(Scene& scene, const platform::Bitmap& working);

// The objectness analysis's regions, added to `scene`; nothing when the
// analysis fails or is not installed.
void addObjectness(Scene& scene, const platform::Bitmap& working);

// The crop's aesthetics, when an aesthetics analysis is installed and
// answers. Scored at most `aestheticsSide` pixels long: judging the whole
// composition needs no finer detail, and the time grows with the size.
inline constexpr int aestheticsSide = 512;
struct Aesthetics {
  float overallScore = 0;
  bool isUtility = false;
};
std::optional<Aesthetics> scoreAesthetics(const platform::Bitmap& crop);

// Load what the attention, objectness and aesthetics analyses need ahead of
// their first request, so that a caller can overlap the loads with work of
// its own; nothing for an analysis that is not installed. Failures are left
// for the analyses themselves to meet.
void prepareAttention();
void prepareObjectness();
void prepareAesthetics();

}  // namespace vell::cover
