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

platform::Bitmap analysisCopy(const platform::Bitmap& picture) {
  const int longer = std::max(picture.width, picture.height);
  if (longer <= analysisSide)
    return picture;
  const double scale = static_cast<double>(analysisSide) / longer;
  const int width = std::max(1, static_cast<int>(std::lround(picture.width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(picture.height * scale)));
  Result<platform::Bitmap> small = platform::scaleLanczos(picture, width, height);
  return small ? std::move(*small) : picture;
}

Scene analyseScene(const platform::Bitmap& working) {
  // Every analysis reads normalised positions, so one small copy serves all.
  const platform::Bitmap small = analysisCopy(working);
  Scene scene;
  addAttention(scene, small);
  addObjectness(scene, small);
  return scene;
}

}  // namespace vell::cover
