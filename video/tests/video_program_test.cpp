// vell-video as the parent runs it: a catalogue in a temporary
// XDG_DATA_HOME, real clips, every answer and exit status, and the exported
// files as ffprobe and exiftool read them.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "common/nonregular_files.hpp"
#include "common/run_process.hpp"
#include "common/test_folder.hpp"
#include "platform/video/export_probe.hpp"
#include "video/tests/catalogue.hpp"

namespace vell {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::number;
using testing::probe;
using testing::sampleClip;
using testing::streamOf;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class VideoProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
    fs::create_directories(outputs());
  }
  fs::path library() const { return folder.path() / "vell" / "photos"; }
  fs::path outputs() const { return folder.path() / "out"; }

  void fullCatalogue() {
    fs::create_directories(library() / "clips");
    fs::copy_file(sampleClip("realshort.mp4"), library() / "clips" / "short.mp4");
    std::ofstream(library() / "notes.mp4") << "not a video";
    testing::makeCatalogue(
        library(),
        {
            {"cockatoo", 2, sampleClip("cockatoo.mp4"), 1280, 720, 14.0, 0},
            {"short", 2, "clips/short.mp4", 320, 240, 1.2, 0},  // relative to the library
            {"tagged", 2, sampleClip("tagged.mp4"), 1280, 720, 1.6, 0},
            {"silent", 2, sampleClip("noaudio.mp4"), 1280, 720, 1.6, 0},
            {"full", 2, sampleClip("full-hd.mp4"), 1920, 1080, 12.0, 0},
            {"photo", 1, sampleClip("astronaut.png"), 512, 512, 0, 0},
            {"song", 3, sampleClip("realshort.mp4"), 0, 0, 1.2, 0},
            {"cloud", 2, "cloud/IMG_0001.MOV", 1920, 1080, 30, 1},
            {"missing", 2, "/nonexistent/clip.mp4", 1280, 720, 5, 0},
            {"notes", 2, "notes.mp4", 1280, 720, 5, 0},
        });
  }

  struct Run {
    int status;
    json answer;
    std::string err;
  };
  Run video(const std::vector<std::string>& args) {
    ProcessResult result = runProcess(programPath("vell-video"), args);
    Run run{result.status, json(), result.err};
    // Exactly one compact line.
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
    if (!result.out.empty()) {
      run.answer = json::parse(result.out);
      EXPECT_EQ(result.out, run.answer.dump() + "\n");  // compact
    }
    EXPECT_EQ(result.err, "");  // nothing on standard error, ever
    return run;
  }

  TestFolder folder;
};

TEST_F(VideoProgram, StatusAndPermissionComeFirst) {
  struct Case {
    std::string catalogue;  // "": none; "garbage"; "good"
    std::vector<std::string> args;
    int status;
    json answer;
  };
  const Case cases[] = {
      {"", {"--status"}, 0, {{"status", "not-determined"}}},
      {"", {"--status", "anything", "else"}, 0, {{"status", "not-determined"}}},
      {"", {}, 3, {{"error", "no-permission"}, {"status", "not-determined"}}},
      {"", {"short", "out.mp4"}, 3, {{"error", "no-permission"}, {"status", "not-determined"}}},
      {"garbage", {"--status"}, 0, {{"status", "denied"}}},
      {"garbage", {}, 3, {{"error", "no-permission"}, {"status", "denied"}}},
      {"good", {"--status"}, 0, {{"status", "authorized"}}},
      {"good", {}, 2, {{"error", "usage"}}},
      {"good", {"short"}, 2, {{"error", "usage"}}},
      {"good", {"short", "--dur", "5"}, 2, {{"error", "usage"}}},
      {"good", {"short", "out.mp4", "--status"}, 4, {{"error", "not-found"}}},  // not first: an id
      {"good", {"--dur", "1", "--status", "x"}, 4, {{"error", "not-found"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.catalogue + " " + json(c.args).dump());
    fs::remove_all(library());
    if (c.catalogue == "garbage") {
      fs::create_directories(library());
      std::ofstream(library() / "library.sqlite") << "scrambled";
    } else if (c.catalogue == "good") {
      testing::makeCatalogue(library(), {});
    }
    Run run = video(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.answer, c.answer);
  }
}

TEST_F(VideoProgram, LookupAndExportFailuresAnswerWithTheirCodes) {
  if (!fs::exists(sampleClip("tagged.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fullCatalogue();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string error;
    std::string detailHas;
  };
  std::string out = (outputs() / "x.mp4").string();
  const Case cases[] = {
      {{"nobody", out}, 4, "not-found", ""},
      {{"photo", out}, 4, "not-found", ""},
      {{"song", out}, 4, "not-found", ""},
      {{"", out}, 4, "not-found", ""},
      {{"cloud", out}, 5, "in-icloud", "cloud"},
      {{"missing", out}, 5, "export-unavailable", "/nonexistent/clip.mp4"},
      {{"notes", out}, 5, "export-unavailable", "notes.mp4"},
      {{"short", (outputs() / "no" / "such" / "x.mp4").string()}, 5, "export-failed", "no/such"},
      {{"short", outputs().string() + "/"}, 5, "export-failed", ""},  // a folder stays
      {{"short", outputs().string()}, 5, "export-failed", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(json(c.args).dump());
    Run run = video(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.answer["error"], c.error) << run.answer;
    if (c.status == 5) {
      ASSERT_TRUE(run.answer.contains("detail")) << run.answer;
      EXPECT_NE(run.answer["detail"].get<std::string>().find(c.detailHas), std::string::npos)
          << run.answer;
      EXPECT_LE(run.answer["detail"].get<std::string>().size(), 200u * 4);
    }
    EXPECT_EQ(run.answer.size(), c.status == 5 ? 2u : 1u) << run.answer;
  }
  // No failed run left a file behind.
  EXPECT_TRUE(fs::is_empty(outputs()));
}

// The export never replaces the library's own files (once it deleted the
// video it was asked to export, or put an MP4 in place of the catalogue),
// and an old file at the output stays when the export fails.
TEST_F(VideoProgram, TheLibraryAndOldFilesSurviveEveryExport) {
  if (!fs::exists(sampleClip("realshort.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fullCatalogue();
  const std::string clip = slurp(library() / "clips" / "short.mp4");
  const std::string catalogue = slurp(library() / "library.sqlite");
  fs::create_symlink(library() / "library.sqlite", outputs() / "link.mp4");
  fs::create_hard_link(library() / "clips" / "short.mp4", outputs() / "hard.mp4");
  for (const fs::path& output :
       {library() / "clips" / "short.mp4", library() / "clips" / ".." / "clips" / "short.mp4",
        outputs() / "hard.mp4", library() / "library.sqlite", outputs() / "link.mp4"}) {
    SCOPED_TRACE(output.string());
    Run run = video({"short", output.string(), "--dur", "0.5"});
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.answer["error"], "export-failed") << run.answer;
  }
  EXPECT_EQ(slurp(library() / "clips" / "short.mp4"), clip);
  EXPECT_EQ(slurp(library() / "library.sqlite"), catalogue);

  std::ofstream(outputs() / "old.mp4") << "an old file";
  for (const char* asset : {"missing", "notes", "cloud"}) {
    Run run = video({asset, (outputs() / "old.mp4").string()});
    EXPECT_EQ(run.status, 5) << asset;
    EXPECT_EQ(slurp(outputs() / "old.mp4"), "an old file") << asset;
  }
}

// A catalogue that is a named pipe once held every run for ever; one held by
// another writer is no denial by the user, but a failed export.
TEST_F(VideoProgram, PipesAndLockedCataloguesAnswerPromptly) {
  if (!fs::exists(sampleClip("realshort.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fs::create_directories(library());
  ASSERT_EQ(::mkfifo((library() / "library.sqlite").c_str(), 0600), 0);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--status"}, {"short", "x.mp4"}}) {
    ProcessResult result =
        runProcess(programPath("vell-video"), args, "", std::chrono::seconds(30));
    ASSERT_FALSE(result.timedOut);
    EXPECT_NE(result.out.find("\"denied\""), std::string::npos) << result.out;
  }
  fs::remove(library() / "library.sqlite");

  fullCatalogue();
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open((library() / "library.sqlite").c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  Run status = video({"--status"});
  EXPECT_EQ(status.answer, json({{"status", "authorized"}}));
  Run run = video({"short", (outputs() / "x.mp4").string()});
  EXPECT_EQ(run.status, 5);
  EXPECT_EQ(run.answer["error"], "export-failed") << run.answer;
  EXPECT_NE(run.answer["detail"].get<std::string>().find("locked"), std::string::npos)
      << run.answer;
  sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
}

// A device or a named pipe at the output path is neither removed nor
// replaced: the export fails.
TEST_F(VideoProgram, OutputsThatAreNotFilesAreLeftAlone) {
  if (!fs::exists(sampleClip("realshort.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fullCatalogue();
  for (const auto& special : testing::nonRegularFiles(outputs())) {
    if (special.kind == testing::FileKind::folder)
      continue;
    SCOPED_TRACE(special.what);
    Run run = video({"short", special.path.string(), "--dur", "0.5"});
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.answer["error"], "export-failed") << run.answer;
    EXPECT_NE(run.answer["detail"].get<std::string>().find("not a regular file"), std::string::npos)
        << run.answer;
    EXPECT_EQ(testing::kindOf(special.path), special.kind);
  }
  for (const auto& entry : fs::directory_iterator(outputs()))
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

struct Expected {
  int width, height;
  double length;  // of the written video, seconds
  bool audio;
};

void checkExport(const fs::path& file, const Expected& expected, double frame) {
  SCOPED_TRACE(file.string());
  ASSERT_TRUE(fs::exists(file));
  json probed = probe(file);
  json video = streamOf(probed, "video");
  ASSERT_TRUE(video.is_object()) << probed;
  EXPECT_EQ(video["codec_name"], "h264");
  EXPECT_EQ(video["pix_fmt"], "yuv420p");
  EXPECT_EQ(video["width"], expected.width);
  EXPECT_EQ(video["height"], expected.height);
  EXPECT_NEAR(number(video["duration"]), expected.length, frame + 1e-3);
  json audio = streamOf(probed, "audio");
  EXPECT_EQ(audio.is_object(), expected.audio);
  if (expected.audio) {
    EXPECT_EQ(audio["codec_name"], "aac");
  }
  EXPECT_NE(probed["format"]["format_name"].get<std::string>().find("mp4"), std::string::npos);
  // +faststart: the index precedes the media data.
  std::string boxes = testing::boxOrder(file);
  EXPECT_LT(boxes.find("moov"), boxes.find("mdat")) << boxes;
  std::string tags = testing::exifTags(file);
  for (const char* name : {"GPS", "Location", "Make", "Model", "Author", "Comment", "Vellphone"})
    EXPECT_EQ(tags.find(name), std::string::npos) << name << " in\n" << tags;
}

TEST_F(VideoProgram, ExportsExcerptsAtThePresetSize) {
  if (!fs::exists(sampleClip("tagged.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fullCatalogue();
  struct Case {
    std::vector<std::string> args;
    std::string output;
    json w, h, dur;  // of the answer
    Expected file;
    double frame;
  };
  const Case cases[] = {
      // options before, between and after the two positional arguments
      {{"--start", "3", "cockatoo", "--size", "720", "@", "--dur", "1"},
       "a.mp4",
       1280,
       720,
       1.0,
       {1280, 720, 1.0, true},
       0.05},
      // past the end: the last half second; "dur" says what was asked
      {{"cockatoo", "@", "--start", "20", "--dur", "5"},
       "b.mp4",
       1280,
       720,
       5.0,
       {1280, 720, 0.5, true},
       0.05},
      // rotated and tagged: upright, in a portrait box, tags gone
      {{"tagged", "@"}, "c.mp4", 1280, 720, 1.6, {720, 1280, 1.6, true}, 0.05},
      {{"silent", "@", "--size", "big"}, "d.mp4", 1280, 720, 1.6, {1280, 720, 1.6, false}, 0.05},
      // 1920 × 1080 fits the small preset when asked for less than 1080
      {{"full", "@", "--dur", "0.5", "--size", "1079"},
       "e.mp4",
       1920,
       1080,
       0.5,
       {1280, 720, 0.5, true},
       1.0 / 30},
      {{"full", "@", "--start", "11", "--dur", "0.4", "--size", "4000"},
       "f.mp4",
       1920,
       1080,
       0.4,
       {1920, 1080, 0.4, true},
       1.0 / 30},
      // --start without a positive --dur does nothing; a trailing --dur has no value
      {{"short", "@", "--start", "0.5", "--dur"},
       "g.mp4",
       320,
       240,
       1.2,
       {320, 240, 1.2, true},
       0.034},
      {{"short", "@", "--start", "abc", "--dur", " 1"},
       "h.mp4",
       320,
       240,
       1.2,
       {320, 240, 1.2, true},
       0.034},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(json(c.args).dump());
    fs::path dst = outputs() / c.output;
    std::vector<std::string> args = c.args;
    for (auto& arg : args)
      if (arg == "@")
        arg = dst.string();
    Run run = video(args);
    EXPECT_EQ(run.status, 0) << run.answer;
    EXPECT_EQ(run.answer,
              json({{"ok", true}, {"path", dst.string()}, {"w", c.w}, {"h", c.h}, {"dur", c.dur}}));
    checkExport(dst, c.file, c.frame);
  }
  EXPECT_EQ(fs::directory_iterator(outputs()) == fs::directory_iterator(), false);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(outputs())) {
    EXPECT_EQ(entry.path().extension(), ".mp4") << entry.path();  // no temporary files
    ++files;
  }
  EXPECT_EQ(files, std::size(cases));
}

TEST_F(VideoProgram, RelativeOutputIsReportedAbsoluteAndReplacesAnOldFile) {
  if (!fs::exists(sampleClip("realshort.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  fullCatalogue();
  std::ofstream(outputs() / "clip.mp4") << "an old file";
  fs::path here = fs::current_path();
  fs::current_path(outputs());
  Run run = video({"short", "./clip.mp4", "--dur", "0.5"});
  fs::current_path(here);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.answer["path"], (outputs() / "clip.mp4").string());
  checkExport(outputs() / "clip.mp4", {320, 240, 0.5, true}, 0.034);
}

}  // namespace
}  // namespace vell
