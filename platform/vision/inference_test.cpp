#include "platform/vision/inference.hpp"

#include <algorithm>
#include <cmath>
#include <thread>

#include "common/test_folder.hpp"
#include "platform/vision/damaged_models.hpp"
#include "platform/vision/test_pictures.hpp"

namespace vell::platform::vision {
namespace {

using testing::Damage;
using testing::ModelTest;

constexpr const char* smallModel = "face_detection_front_128x128_barracuda.onnx";

// A [1, 128, 128, 3] input of the small model, a different picture for each
// `seed`.
Tensor input(int seed) {
  Tensor tensor{{1, 128, 128, 3}, {}};
  for (int i = 0; i < 128 * 128 * 3; ++i)
    tensor.values.push_back(std::sin(0.001f * i * (seed + 1)));
  return tensor;
}

float largestDifference(const std::vector<Tensor>& a, const std::vector<Tensor>& b) {
  float largest = a.size() == b.size() ? 0.0f : INFINITY;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i].shape != b[i].shape || a[i].values.size() != b[i].values.size())
      return INFINITY;
    for (size_t j = 0; j < a[i].values.size(); ++j)
      largest = std::max(largest, std::abs(a[i].values[j] - b[i].values[j]));
  }
  return largest;
}

class InferenceTest : public ModelTest {};

TEST_F(InferenceTest, RunsGiveTheNamedOutputsOrAll) {
  auto net = loadNetwork(smallModel);
  ASSERT_TRUE(net) << net.error().text;
  ASSERT_EQ((*net)->outputNames().size(), 4u);
  auto all = (*net)->run(input(0));
  ASSERT_TRUE(all) << all.error().text;
  ASSERT_EQ(all->size(), 4u);
  EXPECT_EQ((*all)[0].shape, (std::vector<std::int64_t>{1, 512, 1}));
  EXPECT_EQ((*all)[3].shape, (std::vector<std::int64_t>{1, 384, 16}));
  for (const auto& tensor : *all)
    EXPECT_EQ(tensor.values.size(), tensor.count());

  // Named outputs come in the order asked for, equal to the same of all.
  const auto& names = (*net)->outputNames();
  auto two = (*net)->run(input(0), {names[3], names[0]});
  ASSERT_TRUE(two) << two.error().text;
  EXPECT_EQ(largestDifference(*two, {(*all)[3], (*all)[0]}), 0.0f);
}

TEST_F(InferenceTest, InputsThatDoNotFitAreErrors) {
  auto net = loadNetwork(smallModel);
  ASSERT_TRUE(net) << net.error().text;
  Tensor wrongSize{{1, 64, 64, 3}, std::vector<float>(64 * 64 * 3, 0.0f)};
  Tensor shortOfValues{{1, 128, 128, 3}, std::vector<float>(10, 0.0f)};
  Tensor negative{{1, -128, 128, 3}, {}};
  for (const Tensor* bad : {&wrongSize, &shortOfValues, &negative})
    EXPECT_FALSE((*net)->run(*bad));
  EXPECT_FALSE((*net)->run(input(0), {"no such output"}));
  EXPECT_EQ(Tensor({{2, 3, 4}, {}}).count(), 24u);
  EXPECT_EQ(Tensor({{2, -1}, {}}).count(), 0u);
}

// Workers ask for the same network at the same moment: one network for all,
// and each run gives what a run alone gives.
TEST_F(InferenceTest, ThreadsShareOneNetworkAndGetTheirOwnAnswers) {
  constexpr int threads = 6, runs = 10;
  std::vector<std::vector<Tensor>> alone;
  {
    auto net = loadNetwork(smallModel);
    ASSERT_TRUE(net);
    for (int seed = 0; seed < threads; ++seed) {
      auto outs = (*net)->run(input(seed));
      ASSERT_TRUE(outs);
      alone.push_back(std::move(*outs));
    }
  }
  // A model no thread has loaded yet, so that the loads race too.
  TestFolder copy;
  std::filesystem::copy_file(testing::buildModels() / smallModel, copy.path() / smallModel);
  overrideModelsFolder(copy.path());
  std::vector<const Network*> seen(threads);
  std::vector<float> worst(threads, 0.0f);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      auto net = loadNetwork(smallModel);
      if (!net) {
        worst[t] = INFINITY;
        return;
      }
      seen[t] = net->get();
      for (int r = 0; r < runs; ++r) {
        auto outs = (*net)->run(input(t));
        worst[t] = std::max(worst[t], outs ? largestDifference(*outs, alone[t]) : INFINITY);
      }
    });
  for (auto& worker : workers)
    worker.join();
  for (int t = 0; t < threads; ++t) {
    EXPECT_EQ(seen[t], seen[0]) << "thread " << t;
    EXPECT_LE(worst[t], 1e-5f) << "thread " << t;
  }
}

TEST_F(InferenceTest, DamagedModelFilesAreErrorsNeverCrashes) {
  for (Damage damage : {Damage::missing, Damage::truncated, Damage::corrupt}) {
    TestFolder folder;
    testing::copyDamaged(testing::buildModels(), folder.path(), damage);
    overrideModelsFolder(folder.path());
    for (const char* model : {smallModel, "isnet-512.onnx", "centernet.onnx"}) {
      auto net = loadNetwork(model);
      ASSERT_FALSE(net) << model << " " << testing::nameOf(damage);
      const std::string expected =
          damage == Damage::missing ? "model missing: " : "model unreadable: ";
      EXPECT_EQ(net.error().text.rfind(expected, 0), 0u) << net.error().text;
      EXPECT_NE(net.error().text.find(model), std::string::npos) << net.error().text;
    }
  }
  // A whole graph whose weights file beside it is missing or cut short.
  for (bool missing : {true, false}) {
    TestFolder folder;
    const auto graph = testing::buildModels() / "isnet-512.onnx";
    std::filesystem::copy_file(graph, folder.path() / graph.filename());
    if (!missing) {
      const auto weights = folder.path() / "isnet-512.onnx.data";
      std::filesystem::copy_file(graph.string() + ".data", weights);
      std::filesystem::resize_file(weights, 1 << 20);
    }
    overrideModelsFolder(folder.path());
    auto net = loadNetwork("isnet-512.onnx");
    ASSERT_FALSE(net) << (missing ? "missing" : "cut") << " weights";
    EXPECT_EQ(net.error().text.rfind("model unreadable: ", 0), 0u) << net.error().text;
  }
  // Not a file at all, and no folder.
  TestFolder folder;
  std::filesystem::create_directory(folder.path() / smallModel);
  overrideModelsFolder(folder.path());
  EXPECT_FALSE(loadNetwork(smallModel));
  overrideModelsFolder("/nonexistent");
  EXPECT_FALSE(loadNetwork(smallModel));
  // The good folder still serves.
  overrideModelsFolder(testing::buildModels());
  EXPECT_TRUE(loadNetwork(smallModel));
}

}  // namespace
}  // namespace vell::platform::vision
