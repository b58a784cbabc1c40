// vell-encode on real photos: the bit rate the encoder reaches, and the right
// photo on each side of every switch.
#include <gtest/gtest.h>

#include <cmath>

#include "encode/tests/encode_run.hpp"

namespace vell::encode {
namespace {

namespace fs = std::filesystem;
using vell::testing::DecodedFrame;

constexpr int W = 540, H = 960;
// Frames are compared at a sixteenth of their area: enough to tell photos
// apart, and far less to pipe out of ffmpeg.
constexpr int w = W / 4, h = H / 4;

const char* const kPhotos[] = {
    "anne_helene.jpg",
    "astronaut.png",
    "chelsea.png",
    "citrus-fruits.jpg",
    "cold_water.jpg",
    "donna.jpg",
    "european-honey-bee.jpg",
    "jesper.jpg",
    "pool.jpg",
    "qt-logo.jpg",
    "scenetext01.jpg",
    "scenetext02.jpg",
};
constexpr int kCount = sizeof kPhotos / sizeof kPhotos[0];

fs::path pictures() {
  const char* samples = std::getenv("SAMPLES");
  return fs::path(samples ? samples : "") / "pictures";
}

// What a photo should look like in a w x h frame.
platform::Bitmap reference(const fs::path& photo) {
  auto decoded = platform::decodeUpright(photo.string());
  if (!decoded)
    throw std::runtime_error(decoded.error().text);
  auto frame = platform::stretch(platform::flattenOverBlack(*decoded), W, H);
  if (!frame)
    throw std::runtime_error(frame.error().text);
  auto small = platform::stretch(*frame, w, h);
  if (!small)
    throw std::runtime_error(small.error().text);
  return *small;
}

double meanDifference(const DecodedFrame& frame, const platform::Bitmap& expected) {
  double sum = 0;
  for (int i = 0; i < w * h; ++i)
    for (int c = 0; c < 3; ++c)
      sum += std::abs(frame.rgb[i * 3 + c] - expected.rgba[i * 4 + c]);
  return sum / (w * h * 3);
}

TEST(EncodePhotos, TenSecondsOfRealPhotosKeepTheirTimesAndTheBitRate) {
  ASSERT_TRUE(fs::exists(pictures() / kPhotos[0])) << "run scripts/samples.sh first";
  TestFolder folder;
  const fs::path dir = folder.path() / "frames";
  fs::create_directory(dir);
  // Photo k from frame 25 k on (a millisecond early, so the rounding of the
  // printed times cannot delay it): 10 seconds, 300 frames.
  std::string index = "[";
  for (int k = 0; k < kCount; ++k) {
    fs::copy_file(pictures() / kPhotos[k], dir / kPhotos[k]);
    const double time = k * 25.0 / 30 - 0.001 * (k > 0);
    index += (k ? ", [\"" : "[\"") + std::string(kPhotos[k]) + "\", " + std::to_string(time) + "]";
  }
  std::ofstream(dir / "index.json") << index << "]";

  const std::int64_t rate = 2'000'000;
  const fs::path out = folder.path() / "photos.mp4";
  auto outcome = testing::runEncode(
      {dir, out, "10", std::to_string(W), std::to_string(H), std::to_string(rate)});
  ASSERT_EQ(outcome.out, "ok\n") << outcome.err;
  ASSERT_EQ(outcome.status, 0);

  auto probe = vell::testing::probeVideo(out);
  EXPECT_EQ(probe["stream"]["codec_name"], "h264");
  EXPECT_EQ(probe["stream"]["profile"], "High");
  EXPECT_EQ(probe["stream"]["width"], W);
  EXPECT_EQ(probe["stream"]["height"], H);
  EXPECT_EQ(probe["stream"]["r_frame_rate"], "30/1");
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "300");
  EXPECT_EQ(probe["stream"]["duration"], "10.000000");
  const double reached = std::stod(probe["stream"]["bit_rate"].get<std::string>());
  EXPECT_LE(reached, rate * 1.15);
  RecordProperty("bit_rate", std::to_string(reached));
  std::printf("average bit rate %.0f of %lld asked (%.0f %%)\n", reached,
              static_cast<long long>(rate), 100 * reached / rate);

  auto frames = vell::testing::decodeFrames(out, w, h);
  ASSERT_EQ(frames.size(), 300u);
  std::vector<platform::Bitmap> expected;
  for (const char* photo : kPhotos)
    expected.push_back(reference(pictures() / photo));
  for (int k = 1; k < kCount; ++k) {
    const DecodedFrame& before = frames[25 * k - 1];
    const DecodedFrame& after = frames[25 * k];
    const double beforeOwn = meanDifference(before, expected[k - 1]);
    const double afterOwn = meanDifference(after, expected[k]);
    EXPECT_LT(beforeOwn, 12) << "frame " << 25 * k - 1 << " against " << kPhotos[k - 1];
    EXPECT_LT(afterOwn, 12) << "frame " << 25 * k << " against " << kPhotos[k];
    EXPECT_GT(meanDifference(before, expected[k]), 2 * beforeOwn) << kPhotos[k] << " too early";
    EXPECT_GT(meanDifference(after, expected[k - 1]), 2 * afterOwn)
        << kPhotos[k - 1] << " too long";
  }
}

}  // namespace
}  // namespace vell::encode
