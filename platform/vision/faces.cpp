#include "platform/vision/faces.hpp"

#include "platform/vision/dnn_support.hpp"
#include "platform/vision/face_decoding.hpp"

namespace vell::platform::vision {

namespace {

constexpr const char* kFullRangeModel = "face_detection_back_256x256_barracuda.onnx";
constexpr const char* kNearFaceModel = "face_detection_front_128x128_barracuda.onnx";
constexpr int kFullRangeInput = 256, kNearFaceInput = 128;

cv::dnn::Net readOnnx(const std::string& path) {
  return cv::dnn::readNetFromONNX(path);
}

// The model's input: the picture scaled to fit the square, centred, padded
// with black, as NHWC floats in -1..1.
cv::Mat squareInput(const cv::Mat& rgb, const Letterbox& box) {
  cv::Mat square(box.side, box.side, CV_8UC3, cv::Scalar::all(0));
  resized(rgb, {box.width, box.height})
      .copyTo(square(cv::Rect(box.x, box.y, box.width, box.height)));
  cv::Mat scaled;
  square.convertTo(scaled, CV_32F, 2.0 / 255.0, -1.0);
  int shape[] = {1, box.side, box.side, 3};
  return cv::Mat(4, shape, CV_32F, scaled.data).clone();
}

Result<std::vector<ScoredBox>> runModel(ThreadNet& slot, const char* file, const cv::Mat& rgb,
                                        const Letterbox& box, float minScore) {
  auto net = loadNet(slot, file, readOnnx);
  if (!net)
    return net.error();
  std::vector<cv::Mat> outs;
  try {
    (*net)->setInput(squareInput(rgb, box));
    (*net)->forward(outs, (*net)->getUnconnectedOutLayersNames());
  } catch (const cv::Exception& e) {
    return Error{std::string("face detection failed: ") + e.msg};
  }
  // Outputs in the model's order: fine and coarse scores, fine and coarse
  // regressors.
  if (outs.size() != 4)
    return Error{"face model has unexpected outputs"};
  auto span = [](const cv::Mat& m) { return std::span<const float>(m.ptr<float>(), m.total()); };
  BlazeFaceOutputs raw{box.side, span(outs[0]), span(outs[1]), span(outs[2]), span(outs[3])};
  return decodeBlazeFace(raw, minScore);
}

}  // namespace

Result<std::vector<RectObservation>> detectFaces(const Bitmap& picture) {
  thread_local ThreadNet fullRangeNet, nearFaceNet;
  auto rgb = rgbOverBlack(picture);
  if (!rgb)
    return rgb.error();
  Letterbox wide = letterboxFor(picture.width, picture.height, kFullRangeInput);
  Letterbox near = letterboxFor(picture.width, picture.height, kNearFaceInput);
  auto fullRange = runModel(fullRangeNet, kFullRangeModel, *rgb, wide, kFullRangeMinScore);
  if (!fullRange)
    return fullRange.error();
  auto nearFace = runModel(nearFaceNet, kNearFaceModel, *rgb, near, kNearFaceMinScore);
  if (!nearFace)
    return nearFace.error();
  for (auto& face : *nearFace)
    face = moveToLetterbox(face, near, wide);
  std::vector<ScoredBox> whole;
  for (const auto& face : combineFaceModels(*fullRange, *nearFace))
    whole.push_back(squareToPicture(face, wide));

  std::vector<ScoredBox> detail;
  for (const auto& tile : detailTiles(picture.width, picture.height)) {
    Letterbox box = letterboxFor(tile.width, tile.height, kFullRangeInput);
    cv::Mat part = (*rgb)(cv::Rect(tile.x, tile.y, tile.width, tile.height));
    auto found = runModel(fullRangeNet, kFullRangeModel, part, box, kDetailMinScore);
    if (!found)
      return found.error();
    for (const auto& face : smallFaces(*found))
      detail.push_back(
          tileToPicture(squareToPicture(face, box), tile, picture.width, picture.height));
  }

  std::vector<RectObservation> faces;
  for (const auto& face : mergeFaces(whole, detail))
    faces.push_back({lowerLeftRect(face), face.score});
  return faces;
}

}  // namespace vell::platform::vision
