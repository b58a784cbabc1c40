#include "platform/video/export.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "common/test_folder.hpp"
#include "platform/video/export_probe.hpp"

namespace vell::platform {
namespace {

namespace fs = std::filesystem;
using testing::commandOutput;
using testing::number;
using testing::probe;
using testing::quoted;
using testing::streamOf;

fs::path clip(const std::string& name) {
  const char* samples = std::getenv("SAMPLES");
  return fs::path(samples ? samples : "") / "clips" / name;
}

struct Outcome {
  ExportStatus status;
  std::optional<std::string> error;
};

struct Request {
  ExportPreset preset = ExportPreset::preset1280x720;
  std::optional<TimeRange> range;
  MetadataFilter filter = MetadataFilter::sharing;
};

Outcome exportClip(const fs::path& source, const fs::path& output, const Request& request) {
  auto session = ExportSession::open(source, request.preset);
  if (!session)
    return {ExportStatus::unknown, session.error().text};
  (*session)->setOutputURL(output);
  (*session)->setOutputFileType(ExportFileType::mpeg4);
  (*session)->setShouldOptimizeForNetworkUse(NetworkUse::optimized);
  (*session)->setMetadataItemFilter(request.filter);
  if (request.range)
    (*session)->setTimeRange(*request.range);
  bool called = false;
  (*session)->exportAsynchronously([&called] { called = true; });
  (*session)->waitUntilFinished();
  EXPECT_TRUE(called);
  return {(*session)->status(), (*session)->error()};
}

TimeRange range(double start, double length) {
  return {MediaTime::fromSeconds(start, 600), MediaTime::fromSeconds(length, 600)};
}

// The first frame of `file` from `seconds` on, upright (ffmpeg applies the
// display matrix), as 64 × 64 grey bytes.
std::string frameAt(const fs::path& file, double seconds) {
  return commandOutput("ffmpeg -v error -ss " + std::to_string(seconds) + " -i " + quoted(file) +
                       " -frames:v 1 -vf scale=64:64,format=gray -f rawvideo - 2>/dev/null");
}

double meanDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty())
    return 255;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    sum += std::abs(int(static_cast<unsigned char>(a[i])) - int(static_cast<unsigned char>(b[i])));
  return sum / double(a.size());
}

class VideoExport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(clip("tagged.mp4")))
      GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  }
  TestFolder folder;
};

TEST_F(VideoExport, ExportsEveryDecodableCodecAsH264AndAac) {
  struct Case {
    std::string source;
    int width, height;
    bool audio;
  };
  const Case cases[] = {
      {"realshort.mp4", 320, 240, true},  // H.264 + AAC
      {"hevc.mkv", 320, 240, true},       // HEVC in Matroska
      {"vp9.webm", 320, 240, true},       // VP9 + Opus
      {"mjpeg.avi", 320, 240, true},      // full-range MJPEG + PCM
      {"noaudio.mp4", 1280, 720, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    fs::path output = folder.path() / (c.source + ".mp4");
    Outcome outcome = exportClip(clip(c.source), output, {});
    ASSERT_EQ(outcome.status, ExportStatus::completed) << outcome.error.value_or("");
    auto probed = probe(output);
    auto video = streamOf(probed, "video");
    ASSERT_TRUE(video.is_object());
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["profile"], "High");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_EQ(video["width"], c.width);
    EXPECT_EQ(video["height"], c.height);
    auto audio = streamOf(probed, "audio");
    EXPECT_EQ(audio.is_object(), c.audio);
    if (c.audio) {
      EXPECT_EQ(audio["codec_name"], "aac");
    }
    double sourceLength = number(probe(clip(c.source))["format"]["duration"]);
    double frame = 1.0 / 20;  // the slowest of these clips runs at 20 frames a second
    EXPECT_NEAR(number(video["duration"]), sourceLength, frame + 0.04);
    EXPECT_EQ(testing::boxOrder(output).find("mdat") > testing::boxOrder(output).find("moov"), true)
        << testing::boxOrder(output);
  }
  // Nothing but the exports in the folder: no temporary file stays.
  EXPECT_EQ(folder.entries().size(), std::size(cases));
}

TEST_F(VideoExport, ExcerptStartsAtTheAskedFrameAndLastsItsLength) {
  struct Case {
    double start, length;
    bool moving;  // neighbouring frames differ by more than the encoder's noise
  };
  // The cockatoo runs at 20 frames a second; 3.02 falls inside a frame.
  // Near its end it barely moves: neighbouring frames there differ by about
  // 2.5 grey levels, less than the encoding adds, so they cannot be told apart.
  for (Case c :
       {Case{3, 1, true}, Case{3.02, 0.6, true}, Case{12.9, 5, false}, Case{0, 0.5, true}}) {
    SCOPED_TRACE(std::to_string(c.start) + " + " + std::to_string(c.length));
    fs::path output = folder.path() / "excerpt.mp4";
    Outcome outcome = exportClip(
        clip("cockatoo.mp4"), output,
        {ExportPreset::preset1920x1080, range(c.start, c.length), MetadataFilter::sharing});
    ASSERT_EQ(outcome.status, ExportStatus::completed) << outcome.error.value_or("");
    auto probed = probe(output);
    // The source's audio ends at 13.898 s, its video at 14 s.
    EXPECT_NEAR(number(streamOf(probed, "video")["duration"]), std::min(c.length, 14.0 - c.start),
                0.05 + 1e-3);
    EXPECT_NEAR(number(streamOf(probed, "audio")["duration"]), std::min(c.length, 13.898 - c.start),
                0.03);
    EXPECT_EQ(streamOf(probed, "video")["width"], 1280);
    // The first frame is the one showing at the start in the source.
    double frameStart = std::floor(c.start * 20 + 1e-9) / 20;
    std::string wanted = frameAt(clip("cockatoo.mp4"), frameStart);
    EXPECT_LT(meanDifference(frameAt(output, 0), wanted), c.moving ? 3.0 : 6.0);
  }
}

TEST_F(VideoExport, FrameComparisonTellsNeighbouringMomentsApart) {
  // Guards the test above: the cockatoo moves enough for the check to bite.
  EXPECT_GT(meanDifference(frameAt(clip("cockatoo.mp4"), 3), frameAt(clip("cockatoo.mp4"), 4)),
            3.0);
}

TEST_F(VideoExport, TurnsRotatedVideoUprightAndDropsIdentifyingTags) {
  fs::path output = folder.path() / "upright.mp4";
  Outcome outcome = exportClip(clip("tagged.mp4"), output, {});
  ASSERT_EQ(outcome.status, ExportStatus::completed) << outcome.error.value_or("");
  auto probed = probe(output);
  auto video = streamOf(probed, "video");
  EXPECT_EQ(video["width"], 720);
  EXPECT_EQ(video["height"], 1280);
  EXPECT_FALSE(video.contains("side_data_list")) << video.dump();
  EXPECT_LT(meanDifference(frameAt(output, 1), frameAt(clip("tagged.mp4"), 1)), 3.0);

  std::string tags = testing::exifTags(output);
  for (const char* name : {"GPS", "Make", "Model", "Author", "Comment", "Vellphone", "48.85"})
    EXPECT_EQ(tags.find(name), std::string::npos) << name << " in\n" << tags;
  EXPECT_FALSE(probed["format"].value("tags", nlohmann::json::object()).contains("location"));
}

TEST_F(VideoExport, WithoutTheSharingFilterTheLocationStays) {
  // Shows the tagged clip carries what the filter has to remove.
  fs::path output = folder.path() / "kept.mp4";
  Outcome outcome = exportClip(clip("tagged.mp4"), output,
                               {ExportPreset::preset1280x720, std::nullopt, MetadataFilter::none});
  ASSERT_EQ(outcome.status, ExportStatus::completed) << outcome.error.value_or("");
  EXPECT_NE(testing::exifTags(output).find("48.85"), std::string::npos)
      << testing::exifTags(output);
}

TEST_F(VideoExport, CancelledExportLeavesNothingBehind) {
  fs::path output = folder.path() / "cancelled.mp4";
  auto session = ExportSession::open(clip("full-hd.mp4"), ExportPreset::preset1920x1080);
  ASSERT_TRUE(session) << session.error().text;
  (*session)->setOutputURL(output);
  (*session)->exportAsynchronously([] {});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  (*session)->cancelExport();
  (*session)->waitUntilFinished();
  EXPECT_EQ((*session)->status(), ExportStatus::cancelled);
  EXPECT_TRUE((*session)->error().has_value());
  EXPECT_TRUE(folder.entries().empty());
}

TEST_F(VideoExport, FailuresSayWhyAndLeaveNothingBehind) {
  // Not a video at all: no session.
  fs::path text = folder.path() / "notes.txt";
  std::ofstream(text) << "not a video\n";
  auto none = ExportSession::open(text, ExportPreset::preset1280x720);
  ASSERT_FALSE(none);
  EXPECT_NE(none.error().text.find("notes.txt"), std::string::npos) << none.error().text;
  fs::remove(text);

  // A folder that does not exist.
  Outcome outcome = exportClip(clip("realshort.mp4"), folder.path() / "no" / "out.mp4", {});
  EXPECT_EQ(outcome.status, ExportStatus::failed);
  EXPECT_FALSE(outcome.error.value_or("").empty());

  // A clip cut off in its media data: the moov box comes first, so it opens,
  // but the frames run out; whatever the outcome, no temporary file stays.
  fs::path cut = folder.path() / "cut.mp4";
  ASSERT_EQ(exportClip(clip("realshort.mp4"), cut, {}).status, ExportStatus::completed);
  fs::resize_file(cut, fs::file_size(cut) / 3);
  fs::path output = folder.path() / "from-cut.mp4";
  outcome = exportClip(cut, output, {});
  if (outcome.status != ExportStatus::completed) {
    EXPECT_FALSE(fs::exists(output));
  }
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

}  // namespace
}  // namespace vell::platform
