#include "platform/vision/faces.hpp"

#include <memory>
#include <optional>

#include "platform/vision/face_crowds.hpp"
#include "platform/vision/face_decoding.hpp"
#include "platform/vision/face_presence.hpp"
#include "platform/vision/network_input.hpp"

namespace vell::platform::vision {

namespace {

constexpr const char* kFullRangeModel = "face_detection_back_256x256_barracuda.onnx";
constexpr const char* kNearFaceModel = "face_detection_front_128x128_barracuda.onnx";
constexpr const char* kFaceMeshModel = "facemesh.onnx";
constexpr int kFullRangeInput = 256, kNearFaceInput = 128;

// The model's input: the picture scaled to fit the square, centred, padded
// with black, as channels-last floats in -1..1.
Tensor squareInput(const cv::Mat& rgb, const Letterbox& box) {
  cv::Mat square(box.side, box.side, CV_8UC3, cv::Scalar::all(0));
  resized(rgb, {box.width, box.height})
      .copyTo(square(cv::Rect(box.x, box.y, box.width, box.height)));
  constexpr float scale = 2.0f / 255.0f;
  return channelsLastTensor(square, {{scale, scale, scale}, {-1, -1, -1}});
}

Result<std::vector<ScoredBox>> runModel(const Network& net, const cv::Mat& rgb,
                                        const Letterbox& box, float minScore) {
  // Outputs in the model's order: fine and coarse scores, fine and coarse
  // regressors.
  auto outs = net.run(squareInput(rgb, box));
  if (!outs)
    return Error{"face detection failed: " + outs.error().text};
  if (outs->size() != 4)
    return Error{"face model has unexpected outputs"};
  auto& o = *outs;
  BlazeFaceOutputs raw{box.side, o[0].values, o[1].values, o[2].values, o[3].values};
  return decodeBlazeFace(raw, minScore);
}

// FaceMesh's face presence (0..1) for the face at `box` of `rgb`.
Result<float> facePresence(const Network& net, const cv::Mat& rgb, const ScoredBox& box) {
  cv::Mat square = faceMeshSquare(rgb, faceMeshCrop(box, rgb.cols, rgb.rows));
  constexpr float scale = 1.0f / 255.0f;
  auto outs = net.run(channelsLastTensor(square, {{scale, scale, scale}, {0, 0, 0}}));
  if (!outs)
    return Error{"face check failed: " + outs.error().text};
  if (outs->size() != 1 || outs->front().values.size() != 1)
    return Error{"face check model has unexpected outputs"};
  return outs->front().values.front();
}

}  // namespace

void prepareFaceDetection() {
  (void)loadNetwork(kFullRangeModel);
  (void)loadNetwork(kNearFaceModel);
}

Result<std::vector<RectObservation>> detectFaces(const Bitmap& picture) {
  return detectFaces(picture, FaceHints{});
}

Result<std::vector<RectObservation>> detectFaces(const Bitmap& picture, const FaceHints& hints) {
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  auto fullRangeNet = loadNetwork(kFullRangeModel);
  if (!fullRangeNet)
    return fullRangeNet.error();
  auto nearFaceNet = loadNetwork(kNearFaceModel);
  if (!nearFaceNet)
    return nearFaceNet.error();
  Letterbox wide = letterboxFor(picture.width, picture.height, kFullRangeInput);
  Letterbox near = letterboxFor(picture.width, picture.height, kNearFaceInput);
  auto fullRange = runModel(**fullRangeNet, *rgb, wide, kFullRangeMinScore);
  if (!fullRange)
    return fullRange.error();
  auto nearFace = runModel(**nearFaceNet, *rgb, near, kNearFaceMinScore);
  if (!nearFace)
    return nearFace.error();
  for (auto& face : *nearFace)
    face = moveToLetterbox(face, near, wide);
  std::vector<ScoredBox> whole;
  for (const auto& face : combineFaceModels(*fullRange, *nearFace))
    whole.push_back(squareToPicture(face, wide));

  std::vector<ScoredBox> detail;
  auto look = [&](const std::vector<PixelTile>& tiles, float minScore) -> Result<bool> {
    for (const auto& tile : tiles) {
      Letterbox box = letterboxFor(tile.width, tile.height, kFullRangeInput);
      cv::Mat part = (*rgb)(cv::Rect(tile.x, tile.y, tile.width, tile.height));
      auto found = runModel(**fullRangeNet, part, box, minScore);
      if (!found)
        return found.error();
      for (const auto& face : smallFaces(*found))
        detail.push_back(
            tileToPicture(squareToPicture(face, box), tile, picture.width, picture.height));
    }
    return true;
  };
  if (auto done = look(detailTiles(picture.width, picture.height), kDetailMinScore); !done)
    return done.error();
  auto regions = crowdRegions(mergeFaces(whole, detail), hints.people);
  if (auto done = look(crowdTiles(picture.width, picture.height, regions), kCrowdMinScore); !done)
    return done.error();

  std::shared_ptr<const Network> faceMeshNet;
  std::vector<RectObservation> faces;
  for (const auto& face : mergeFaces(whole, detail)) {
    std::optional<float> presence;
    if (needsSecondOpinion(face.score)) {
      if (!faceMeshNet) {
        auto loaded = loadNetwork(kFaceMeshModel);
        if (!loaded)
          return loaded.error();
        faceMeshNet = *loaded;
      }
      auto found = facePresence(*faceMeshNet, *rgb, face);
      if (!found)
        return found.error();
      presence = *found;
    }
    if (keepFace(face.score, presence))
      faces.push_back({lowerLeftRect(face), face.score});
  }
  return faces;
}

}  // namespace vell::platform::vision
