#include "platform/video/writer.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <semaphore>

#include "common/test_folder.hpp"
#include "platform/video/writer_probe.hpp"

namespace vell::platform {
namespace {

using Status = VideoWriter::Status;

void fill(PixelBuffer& buffer, std::array<std::uint8_t, 3> rgb) {
  std::uint8_t* base = buffer.mutableBaseAddress();
  const std::array<std::uint8_t, 4> pixel =
      buffer.format() == PixelFormat::bgra
          ? std::array<std::uint8_t, 4>{rgb[2], rgb[1], rgb[0], 255}
          : std::array<std::uint8_t, 4>{rgb[0], rgb[1], rgb[2], 255};
  for (int y = 0; y < buffer.height(); ++y)
    for (int x = 0; x < buffer.width(); ++x)
      std::memcpy(base + y * buffer.bytesPerRow() + x * 4, pixel.data(), 4);
}

void finish(VideoWriter& writer) {
  std::binary_semaphore done(0);
  writer.finishWriting([&done] { done.release(); });
  done.acquire();
}

std::string contents(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void expectColour(const testing::DecodedFrame& frame, int width, std::array<double, 3> expected,
                  const std::string& what) {
  auto actual = testing::colourAt(frame, width, width / 2, 8);
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(actual[c], expected[c], 24) << what << " component " << c;
}

class VideoWriterTest : public ::testing::Test {
 protected:
  TestFolder folder;
};

TEST_F(VideoWriterTest, WritesH264HighInMpeg4WhateverTheExtension) {
  const auto out = folder.path() / "clip.mov";
  VideoWriter writer(out);
  VideoWriterInput& input = writer.addInput({64, 48, 300000});
  PixelBufferAdaptor adaptor(input, PixelFormat::bgra, 64, 48);
  ASSERT_TRUE(writer.startWriting()) << writer.error();
  writer.startSession(0, 30);
  PixelBufferRef red = adaptor.pixelBuffer();
  PixelBufferRef green = adaptor.pixelBuffer();
  ASSERT_TRUE(red && green);
  fill(*red, {255, 0, 0});
  fill(*green, {0, 255, 0});
  for (int i = 0; i < 45; ++i) {
    ASSERT_TRUE(input.isReadyForMoreMediaData());
    ASSERT_TRUE(adaptor.append(i < 20 ? *red : *green, i, 30)) << writer.error();
  }
  input.markAsFinished();
  EXPECT_FALSE(adaptor.append(*red, 45, 30));
  finish(writer);
  ASSERT_EQ(writer.status(), Status::completed) << writer.error();

  auto probe = testing::probeVideo(out);
  EXPECT_EQ(probe["stream"]["codec_name"], "h264");
  EXPECT_EQ(probe["stream"]["profile"], "High");
  EXPECT_EQ(probe["stream"]["width"], 64);
  EXPECT_EQ(probe["stream"]["height"], 48);
  EXPECT_EQ(probe["stream"]["pix_fmt"], "yuv420p");
  EXPECT_EQ(probe["stream"]["r_frame_rate"], "30/1");
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "45");
  EXPECT_EQ(probe["stream"]["duration"], "1.500000");
  EXPECT_EQ(probe["format"]["tags"]["major_brand"], "isom");

  auto frames = testing::decodeFrames(out, 64, 48);
  ASSERT_EQ(frames.size(), 45u);
  EXPECT_DOUBLE_EQ(frames[0].time, 0);
  EXPECT_NEAR(frames[44].time, 44.0 / 30, 1e-3);
  expectColour(frames[0], 64, {255, 0, 0}, "frame 0");
  expectColour(frames[19], 64, {255, 0, 0}, "frame 19");
  expectColour(frames[20], 64, {0, 255, 0}, "frame 20");
  expectColour(frames[44], 64, {0, 255, 0}, "frame 44");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"clip.mov"});
}

TEST_F(VideoWriterTest, ReconvertsABufferDrawnAgainAndReadsRgbaToo) {
  const auto out = folder.path() / "clip.mp4";
  VideoWriter writer(out);
  VideoWriterInput& input = writer.addInput({32, 32, 100000});
  PixelBufferAdaptor adaptor(input, PixelFormat::rgba, 32, 32);
  ASSERT_TRUE(writer.startWriting()) << writer.error();
  PixelBufferRef buffer = adaptor.pixelBuffer();
  ASSERT_TRUE(buffer);
  fill(*buffer, {0, 0, 255});
  ASSERT_TRUE(adaptor.append(*buffer, 0, 30));
  ASSERT_TRUE(adaptor.append(*buffer, 1, 30));
  fill(*buffer, {255, 255, 0});
  ASSERT_TRUE(adaptor.append(*buffer, 2, 30));
  finish(writer);
  ASSERT_EQ(writer.status(), Status::completed) << writer.error();

  auto frames = testing::decodeFrames(out, 32, 32);
  ASSERT_EQ(frames.size(), 3u);
  expectColour(frames[1], 32, {0, 0, 255}, "frame 1");
  expectColour(frames[2], 32, {255, 255, 0}, "frame 2");
}

TEST_F(VideoWriterTest, ReplacesAnOldFileOnlyWhenComplete) {
  const auto out = folder.path() / "clip.mp4";
  std::ofstream(out) << "old";
  VideoWriter writer(out);
  VideoWriterInput& input = writer.addInput({16, 16, 100000});
  PixelBufferAdaptor adaptor(input, PixelFormat::bgra, 16, 16);
  ASSERT_TRUE(writer.startWriting());
  PixelBufferRef buffer = adaptor.pixelBuffer();
  fill(*buffer, {9, 9, 9});
  ASSERT_TRUE(adaptor.append(*buffer, 0, 30));
  EXPECT_EQ(contents(out), "old");
  EXPECT_EQ(folder.entries().size(), 2u) << "the new video grows beside the old one";
  finish(writer);
  ASSERT_EQ(writer.status(), Status::completed) << writer.error();
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"clip.mp4"});
  EXPECT_EQ(testing::probeVideo(out)["stream"]["nb_read_frames"], "1");
}

TEST_F(VideoWriterTest, RefusesSettingsTheEncoderCannotTake) {
  const struct {
    VideoSettings settings;
    const char* said;
  } cases[] = {
      {{0, 48, 100000}, "not positive"},
      {{64, -2, 100000}, "not positive"},
      {{65, 48, 100000}, "odd"},
      {{64, 47, 100000}, "odd"},
      {{16386, 16, 100000}, "largest level"},
      {{8192, 8192, 100000}, "largest level"},
      {{64, 48, 0}, "bit rate"},
      {{64, 48, -5}, "bit rate"},
      {{64, 48, 4'000'000'000'000'000}, "bit rate"},
  };
  const auto out = folder.path() / "clip.mp4";
  std::ofstream(out) << "old";
  for (const auto& c : cases) {
    VideoWriter writer(out);
    VideoWriterInput& input = writer.addInput(c.settings);
    PixelBufferAdaptor adaptor(input, PixelFormat::bgra, c.settings.width, c.settings.height);
    EXPECT_FALSE(writer.startWriting());
    EXPECT_EQ(writer.status(), Status::failed);
    EXPECT_NE(writer.error().find(c.said), std::string::npos) << writer.error();
    EXPECT_FALSE(adaptor.pixelBuffer());
    finish(writer);
    EXPECT_EQ(writer.status(), Status::failed);
  }
  EXPECT_EQ(contents(out), "old");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"clip.mp4"});
}

TEST_F(VideoWriterTest, FailsWhenTheFolderCannotTakeTheFile) {
  VideoWriter writer(folder.path() / "missing" / "clip.mp4");
  writer.addInput({16, 16, 100000});
  EXPECT_FALSE(writer.startWriting());
  EXPECT_NE(writer.error().find("missing"), std::string::npos) << writer.error();
  finish(writer);
  EXPECT_EQ(writer.status(), Status::failed);
}

TEST_F(VideoWriterTest, TimesThatDoNotIncreaseFailTheWriterAndKeepTheOldFile) {
  const auto out = folder.path() / "clip.mp4";
  std::ofstream(out) << "old";
  VideoWriter writer(out);
  VideoWriterInput& input = writer.addInput({16, 16, 100000});
  PixelBufferAdaptor adaptor(input, PixelFormat::bgra, 16, 16);
  ASSERT_TRUE(writer.startWriting());
  PixelBufferRef buffer = adaptor.pixelBuffer();
  fill(*buffer, {1, 2, 3});
  ASSERT_TRUE(adaptor.append(*buffer, 5, 30));
  EXPECT_FALSE(adaptor.append(*buffer, 5, 30));
  EXPECT_EQ(writer.status(), Status::failed);
  EXPECT_NE(writer.error().find("does not follow"), std::string::npos) << writer.error();
  EXPECT_FALSE(adaptor.append(*buffer, 6, 30));
  EXPECT_FALSE(adaptor.pixelBuffer());
  finish(writer);
  EXPECT_EQ(writer.status(), Status::failed);
  EXPECT_EQ(contents(out), "old");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"clip.mp4"});
}

TEST_F(VideoWriterTest, ABufferOfAnotherSizeFailsTheWriter) {
  VideoWriter writer(folder.path() / "clip.mp4");
  VideoWriterInput& input = writer.addInput({16, 16, 100000});
  PixelBufferAdaptor adaptor(input, PixelFormat::bgra, 16, 16);
  ASSERT_TRUE(writer.startWriting());
  PixelBuffer other(PixelFormat::bgra, 32, 16);
  EXPECT_FALSE(adaptor.append(other, 0, 30));
  EXPECT_EQ(writer.status(), Status::failed);
  finish(writer);
  EXPECT_TRUE(folder.entries().empty());
}

TEST_F(VideoWriterTest, FinishingWithoutStartingFails) {
  VideoWriter writer(folder.path() / "clip.mp4");
  writer.addInput({16, 16, 100000});
  EXPECT_EQ(writer.status(), Status::unknown);
  finish(writer);
  EXPECT_EQ(writer.status(), Status::failed);
  EXPECT_NE(writer.error().find("never started"), std::string::npos) << writer.error();
  EXPECT_TRUE(folder.entries().empty());
}

TEST_F(VideoWriterTest, ThePoolLendsBuffersOnlyWhileWritingAndTakesThemBack) {
  VideoWriter writer(folder.path() / "clip.mp4");
  VideoWriterInput& input = writer.addInput({24, 16, 100000});
  PixelBufferAdaptor adaptor(input, PixelFormat::bgra, 24, 16);
  EXPECT_FALSE(adaptor.pixelBuffer());
  ASSERT_TRUE(writer.startWriting());
  PixelBufferRef first = adaptor.pixelBuffer();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->width(), 24);
  EXPECT_EQ(first->height(), 16);
  EXPECT_GE(first->bytesPerRow(), 24u * 4);
  EXPECT_EQ(first->format(), PixelFormat::bgra);
  PixelBufferRef second = adaptor.pixelBuffer();
  EXPECT_NE(first->baseAddress(), second->baseAddress());
  const std::uint8_t* firstBytes = first->baseAddress();
  first.reset();
  EXPECT_EQ(adaptor.pixelBuffer()->baseAddress(), firstBytes);
  finish(writer);
  EXPECT_FALSE(adaptor.pixelBuffer());
}

}  // namespace
}  // namespace vell::platform
