#include "cover/scene.hpp"

#include <algorithm>
#include <cmath>
#include <future>
#include <system_error>

#include "platform/image/image.hpp"
#include "platform/image/part.hpp"

namespace vell::cover {

void addHeatMap(Scene& scene, std::int64_t width, std::int64_t height,
                const std::vector<float>& samples) {
  if (width <= 0 || height <= 0 ||
      samples.size() / static_cast<size_t>(width) != static_cast<size_t>(height) ||
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

platform::Bitmap scaledDown(const platform::Bitmap& picture, int side) {
  const int longer = std::max(picture.width, picture.height);
  if (longer <= side)
    return picture;
  const double scale = static_cast<double>(side) / longer;
  const int width = std::max(1, static_cast<int>(std::lround(picture.width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(picture.height * scale)));
  Result<platform::Bitmap> small = platform::scaleLanczos(picture, width, height);
  return small ? std::move(*small) : picture;
}

namespace {

// The networks of the analysis and of the aesthetics load on a thread of
// their own while the photo is read and shrunk; their first requests wait
// for loads still under way.
std::future<void> prepareNetworks() {
  try {
    return std::async(std::launch::async, [] {
      prepareObjectness();
      prepareAttention();
      prepareAesthetics();
    });
  } catch (const std::system_error&) {
    return {};  // no thread to be had: each network loads at its first request
  }
}

}  // namespace

Sighted loadAndAnalyse(const std::string& path, const std::optional<std::string>& blur,
                       bool wholePicture) {
  std::future<void> networks = prepareNetworks();
  // Read once: both decodes below work from the same bytes, and a path that
  // is no regular file is refused before either starts.
  Result<std::vector<std::uint8_t>> photo = platform::readPictureFile(path);
  if (!photo)
    return {photo.error(), {}, {}, {}};
  if (blur && !blurGroups(*blur).empty()) {
    Result<WorkingImage> working = buildWorkingImage(*photo, blur);
    if (!working)
      return {std::move(working), {}, {}, {}};
    platform::Bitmap copy = scaledDown(working->bitmap, analysisSide);
    Scene scene = analyseScene(copy);
    return {std::move(working), std::move(copy), std::move(scene), {}};
  }
  if (!wholePicture) {
    // The shrunk decode reads the whole file, so a damaged one fails here
    // as the full-size decode would, and takes the road below.
    Result<platform::Bitmap> copy = platform::thumbnailMemory(*photo, analysisSide);
    Result<platform::PictureSize> size =
        copy ? platform::uprightSize(*photo) : Result<platform::PictureSize>(copy.error());
    if (size) {
      WorkingImage working;
      working.extent = {0, 0, size->width, size->height};
      working.IW = size->width;
      working.IH = size->height;
      Scene scene = analyseScene(*copy);
      return {std::move(working), std::move(*copy), std::move(scene), std::move(*photo)};
    }
  }
  // Launched on a thread when one can be had, else run at get().
  const std::vector<std::uint8_t>& bytes = *photo;
  std::future<Result<WorkingImage>> decoding =
      std::async([&bytes] { return buildWorkingImage(bytes, std::nullopt); });
  Result<platform::Bitmap> copy = platform::thumbnailMemory(bytes, analysisSide);
  Scene scene = copy ? analyseScene(*copy) : Scene{};
  Result<WorkingImage> working = decoding.get();
  if (!working)
    return {std::move(working), {}, {}, {}};
  if (!copy) {
    // Read whole, yet not shrunk: scale the copy down from the full picture.
    platform::Bitmap scaled = scaledDown(working->bitmap, analysisSide);
    scene = analyseScene(scaled);
    return {std::move(working), std::move(scaled), std::move(scene), {}};
  }
  return {std::move(working), std::move(*copy), std::move(scene), {}};
}

platform::Bitmap analysisCrop(const platform::Bitmap& copy, const Box& crop) {
  const double W = copy.width, H = copy.height;
  // At least one pixel, and one inside the copy.
  const double left = std::min(std::round(crop.x * W), W - 1);
  const double top = std::min(std::round(crop.y * H), H - 1);
  const double right = std::round((crop.x + crop.w) * W);
  const double bottom = std::round((crop.y + crop.h) * H);
  Result<platform::Bitmap> part =
      platform::crop(copy, {static_cast<int>(left), static_cast<int>(top),
                            std::max(1, static_cast<int>(right - left)),
                            std::max(1, static_cast<int>(bottom - top))});
  return part ? std::move(*part) : copy;
}

Scene analyseScene(const platform::Bitmap& copy) {
  Scene scene;
  addObjectness(scene, copy);
  addAttention(scene, copy);
  return scene;
}

}  // namespace vell::cover
