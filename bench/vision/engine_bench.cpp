// Each network of the vision services run by ONNX Runtime (as the programs
// run it) beside OpenCV 4.6's dnn module, on the same picture and the same
// input tensor, in one process: median times, their ratio, and how far the
// two engines' outputs differ. OpenCV reads the same ONNX files where it
// can; for the two it cannot read, the same network in the form it does
// read: CenterNet as the frozen TensorFlow graph made from the same TF.js
// model, the PP-OCRv4 detector with its Clip bounds as attributes.
//
//   vell-bench-engines PICTURE MODELS_FOLDER [RUNS]
//   (MODELS_FOLDER: the set-up's, holding the OpenCV-only forms too)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <opencv2/dnn.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "platform/vision/inference.hpp"
#include "platform/vision/models.hpp"

namespace {

namespace vision = vell::platform::vision;
using vell::bench::Timing;
using vision::Tensor;

struct Case {
  std::string name;
  std::string onnxFile;              // what ONNX Runtime runs
  std::string opencvFile;            // what OpenCV runs
  Tensor input;                      // in the layout of the ONNX file
  bool opencvChannelsFirst = false;  // OpenCV's form wants [N, C, H, W] though the ONNX file not
  std::vector<std::string> outputs;  // of the ONNX file; empty: all
  std::vector<std::string> opencvOutputs;  // of OpenCV's form; empty: the ONNX file's
};

Tensor tensorOf(const cv::Mat& image, float scale, cv::Scalar offset, bool channelsFirst) {
  Tensor tensor;
  const int h = image.rows, w = image.cols;
  tensor.shape =
      channelsFirst ? std::vector<std::int64_t>{1, 3, h, w} : std::vector<std::int64_t>{1, h, w, 3};
  tensor.values.resize(static_cast<size_t>(h) * w * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        float v = image.at<cv::Vec3b>(y, x)[c] * scale + static_cast<float>(offset[c]);
        size_t i = channelsFirst ? (static_cast<size_t>(c) * h + y) * w + x
                                 : (static_cast<size_t>(y) * w + x) * 3 + c;
        tensor.values[i] = v;
      }
  return tensor;
}

// The picture fitted into a black square of `side`.
cv::Mat letterboxed(const cv::Mat& rgb, int side) {
  double scale = static_cast<double>(side) / std::max(rgb.cols, rgb.rows);
  cv::Mat small, square(side, side, CV_8UC3, cv::Scalar::all(0));
  cv::resize(rgb, small, {std::max(1, int(rgb.cols * scale)), std::max(1, int(rgb.rows * scale))},
             0, 0, cv::INTER_AREA);
  small.copyTo(
      square(cv::Rect((side - small.cols) / 2, (side - small.rows) / 2, small.cols, small.rows)));
  return square;
}

cv::Mat matOf(const Tensor& tensor, bool toChannelsFirst) {
  std::vector<int> shape(tensor.shape.begin(), tensor.shape.end());
  cv::Mat mat(static_cast<int>(shape.size()), shape.data(), CV_32F,
              const_cast<float*>(tensor.values.data()));
  if (!toChannelsFirst)
    return mat.clone();
  cv::Mat planes;
  cv::transposeND(mat, {0, 3, 1, 2}, planes);
  return planes;
}

double largestDifference(const std::vector<Tensor>& ort, const std::vector<cv::Mat>& opencv) {
  double largest = 0;
  for (size_t i = 0; i < std::min(ort.size(), opencv.size()); ++i) {
    if (ort[i].values.size() != opencv[i].total())
      return NAN;
    const float* other = opencv[i].ptr<float>();
    for (size_t j = 0; j < ort[i].values.size(); ++j)
      largest = std::max(largest, static_cast<double>(std::abs(ort[i].values[j] - other[j])));
  }
  return largest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vell-bench-engines PICTURE MODELS_FOLDER [RUNS]\n");
    return 2;
  }
  const std::string folder = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
  cv::Mat bgr = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (bgr.empty()) {
    std::fprintf(stderr, "bench: cannot read %s\n", argv[1]);
    return 1;
  }
  cv::Mat rgb;
  cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
  vision::overrideModelsFolder(folder);

  std::vector<Case> cases;
  for (int side : {256, 128}) {
    const std::string file = side == 256 ? "face_detection_back_256x256_barracuda.onnx"
                                         : "face_detection_front_128x128_barracuda.onnx";
    cases.push_back({"BlazeFace " + std::to_string(side),
                     file,
                     file,
                     tensorOf(letterboxed(rgb, side), 2.0f / 255, cv::Scalar::all(-1), false),
                     false,
                     {},
                     {}});
  }
  cv::Mat square;
  cv::resize(rgb, square, {512, 512}, 0, 0, cv::INTER_AREA);
  cases.push_back({"CenterNet 512",
                   "centernet.onnx",
                   "centernet.pb",
                   tensorOf(square, 1, cv::Scalar::all(0), false),
                   true,
                   {"tower_0/Sigmoid", "tower_0/mul", "tower_0/extern1/hard_swish/mul_1"},
                   {"tower_0/Sigmoid", "tower_0/mul", "tower_0/extern1/hard_swish/mul_1"}});
  {
    double scale = 800.0 / std::max(bgr.cols, bgr.rows);
    cv::Mat text;
    cv::resize(bgr, text,
               {std::max(32, int(std::lround(bgr.cols * scale / 32)) * 32),
                std::max(32, int(std::lround(bgr.rows * scale / 32)) * 32)});
    const float s = 1.0f / (255.0f * 0.226f);
    cases.push_back(
        {"PP-OCRv4 detector " + std::to_string(text.cols) + "x" + std::to_string(text.rows),
         "ch_PP-OCRv4_det_infer.onnx",
         "ppocr_v4_det.onnx",
         tensorOf(text, s, cv::Scalar(-123.7 * s, -116.3 * s, -103.5 * s), true),
         false,
         {},
         {}});
  }
  cases.push_back({"ISNet 512",
                   "isnet-512.onnx",
                   "isnet-512.onnx",
                   tensorOf(square, 1.0f / 256, cv::Scalar::all(-0.5), true),
                   false,
                   {"output"},
                   {"output"}});

  std::printf("%s, %d processors, median of %d runs (wall ms, processor ms):\n", argv[1],
              vision::processorCount(), runs);
  std::printf("  %-28s %17s %17s %9s %12s\n", "network", "ONNX Runtime", "OpenCV dnn", "speed-up",
              "max |diff|");
  double worstRatio = INFINITY;
  for (const Case& c : cases) {
    auto network = vision::loadNetwork(c.onnxFile);
    if (!network) {
      std::fprintf(stderr, "bench: %s\n", network.error().text.c_str());
      return 1;
    }
    cv::dnn::Net net = c.opencvFile.ends_with(".pb")
                           ? cv::dnn::readNetFromTensorflow(folder + "/" + c.opencvFile)
                           : cv::dnn::readNetFromONNX(folder + "/" + c.opencvFile);
    // The same names where both read the same file.
    std::vector<std::string> opencvOutputs =
        c.opencvOutputs.empty() ? (*network)->outputNames() : c.opencvOutputs;
    cv::Mat blob = matOf(c.input, c.opencvChannelsFirst);

    std::vector<Tensor> ortOut;
    std::vector<cv::Mat> opencvOut;
    auto ortRun = [&] {
      auto outs = (*network)->run(c.input, c.outputs);
      if (!outs) {
        std::fprintf(stderr, "bench: %s: %s\n", c.name.c_str(), outs.error().text.c_str());
        std::exit(1);
      }
      ortOut = std::move(*outs);
    };
    auto opencvRun = [&] {
      net.setInput(blob);
      net.forward(opencvOut, opencvOutputs);
    };
    ortRun();  // untimed: the first runs plan their memory
    opencvRun();
    const Timing ort = vell::bench::medianTiming(runs, ortRun);
    const Timing opencv = vell::bench::medianTiming(runs, opencvRun);
    const double ratio = opencv.wallMs / ort.wallMs;
    worstRatio = std::min(worstRatio, ratio);
    std::printf("  %-28s %7.1f  (%7.1f) %7.1f  (%7.1f) %8.2fx %12.2g\n", c.name.c_str(), ort.wallMs,
                ort.cpuMs, opencv.wallMs, opencv.cpuMs, ratio,
                largestDifference(ortOut, opencvOut));
  }
  std::printf("  slowest speed-up: %.2fx (target: at least 2x for each network)\n", worstRatio);
  return 0;
}
