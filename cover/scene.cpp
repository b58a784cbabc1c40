#include "cover/scene.hpp"

#include <algorithm>
#include <cmath>

#include "platform/image.hpp"

namespace vell::cover {

void addHeatMap(Scene& scene, std::int64_t width, std::int64_t height,
                const std::vector<float>& samples) {
  if (width <= 0 || height <= 0 || samples.size() / static_cast<size_t>(width) !=
                                       static_cast<size_t>(height) ||
      samples.size() % static_cast<size_t>(width) != 0)
    return;
  scene.hw = width;
  scene.hh = height;
  scene.heat.clear();
  scene.heat.reserve(samples.size());
  for (float sample : samples)
    scene.heat.push_back(sample >= 0 ? sample : 0.0f);
}

void addAttentionRegions(Scene& scene,
                         const std::vector<platform::vision::NormalizedRect>& regions) {
  for (const auto& region : regions)
    scene.attention.push_back(topLeft(region));
}

void addObjects(Scene& scene, const std::vector<platform::vision::RectObservation>& objects) {
  for (const auto& object : objects)
    scene.objects.push_back({topLeft(object.box), object.confidence});
}

namespace {

platform::Bitmap scaledDown(const platform::Bitmap& picture) {
  const int longer = std::max(picture.width, picture.height);
  if (longer <= analysisSide)
    return picture;
  const double scale = static_cast<double>(analysisSide) / longer;
  const int width = std::max(1, static_cast<int>(std::lround(picture.width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(picture.height * scale)));
  Result<platform::Bitmap> small = platform::scaleLanczos(picture, width, height);
  return small ? std::move(*small) : picture;
}

}  // namespace

platform::Bitmap analysisCopy(const std::string& path, const WorkingImage& working) {
  if (working.blurred == 0) {
    // Shrinking while decoding costs a fraction of scaling the full bitmap.
    Result<platform::Bitmap> small = platform::thumbnail(path, analysisSide);
    if (small && small->width >= 1 && small->height >= 1)
      return std::move(*small);
  }
  return scaledDown(working.bitmap);
}

platform::Bitmap analysisCrop(const platform::Bitmap& copy, const Box& crop) {
  const double W = copy.width, H = copy.height;
  // At least one pixel, and one inside the copy.
  const double left = std::min(std::round(crop.x * W), W - 1);
  const double top = std::min(std::round(crop.y * H), H - 1);
  const double right = std::round((crop.x + crop.w) * W);
  const double bottom = std::round((crop.y + crop.h) * H);
  Result<platform::Bitmap> part = platform::crop(
      copy, {static_cast<int>(left), static_cast<int>(top),
             std::max(1, static_cast<int>(right - left)), std::max(1, static_cast<int>(bottom - top))});
  return part ? std::move(*part) : copy;
}

Scene analyseScene(const platform::Bitmap& copy) {
  Scene scene;
  addAttention(scene, copy);
  addObjectness(scene, copy);
  return scene;
}

}  // namespace vell::cover
