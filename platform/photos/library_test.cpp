#include "platform/photos/library.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdlib>
#include <fstream>

#include "common/test_folder.hpp"
#include "platform/video/export_probe.hpp"

namespace vell::platform {
namespace {

namespace fs = std::filesystem;

const char* schema =
    "CREATE TABLE assets(local_id TEXT PRIMARY KEY, media_type INTEGER, path TEXT, "
    "pixel_width INTEGER, pixel_height INTEGER, duration REAL, in_cloud INTEGER);";

void sql(const fs::path& folder, const std::string& statements) {
  fs::create_directories(folder);
  std::string out = testing::commandOutput("sqlite3 " + testing::quoted(folder / "library.sqlite") +
                                           " " + testing::quoted(statements) + " 2>&1");
  ASSERT_EQ(out, "") << statements;
}

fs::path clip(const std::string& name) {
  const char* samples = std::getenv("SAMPLES");
  return fs::path(samples ? samples : "") / "clips" / name;
}

TEST(PhotoLibrary, AuthorizationComesFromTheCatalogueFile) {
  TestFolder folder;
  PhotoLibrary library(folder.path() / "photos");
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::notDetermined);

  fs::create_directories(folder.path() / "photos");
  std::ofstream(folder.path() / "photos" / "library.sqlite")
      << "this is not a database, it is text";
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::denied);

  fs::remove(folder.path() / "photos" / "library.sqlite");
  fs::create_directory(folder.path() / "photos" / "library.sqlite");
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::denied);
  fs::remove(folder.path() / "photos" / "library.sqlite");

  sql(folder.path() / "photos", "CREATE TABLE other(x);");  // a database, but no catalogue
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::denied);
  sql(folder.path() / "photos", schema);
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::authorized);

  if (::geteuid() != 0) {  // root reads whatever the mode says
    fs::permissions(folder.path() / "photos" / "library.sqlite", fs::perms::none);
    EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::denied);
  }
}

TEST(PhotoLibrary, FetchReadsRowsAsPlainData) {
  TestFolder folder;
  fs::path photos = folder.path() / "photos";
  sql(photos, std::string(schema) +
                  "INSERT INTO assets VALUES('v1', 2, 'clips/a.mp4', 1280, 720, 14.0, 0);"
                  "INSERT INTO assets VALUES('v2', 2, '/abs/b.mov', 1920, 1080, 2.5, 1);"
                  "INSERT INTO assets VALUES('p1', 1, 'p.jpg', 800, 600, 0, 0);"
                  "INSERT INTO assets VALUES('odd', 'video', NULL, -5, NULL, 'long', NULL);"
                  "INSERT INTO assets VALUES('nan', 2, 'n.mp4', 1, 1, -3.0, 7);"
                  "INSERT INTO assets VALUES('nul', 2, CAST(X'2F746D702F612E6D7034006A756E6B' AS "
                  "TEXT), 2, 2, 1, 0);");
  PhotoLibrary library(photos);
  struct Case {
    std::string id;
    bool found;
    std::int64_t mediaType;
    fs::path file;
    std::int64_t width, height;
    double duration;
    bool inCloud;
  };
  const Case cases[] = {
      {"v1", true, 2, photos / "clips/a.mp4", 1280, 720, 14.0, false},
      {"v2", true, 2, "/abs/b.mov", 1920, 1080, 2.5, true},
      {"p1", true, 1, photos / "p.jpg", 800, 600, 0, false},
      {"odd", true, 0, "", 0, 0, 0, false},
      {"nan", true, 2, photos / "n.mp4", 1, 1, 0, true},
      {"nul", true, 2, "", 2, 2, 1, false},  // "/tmp/a.mp4\0junk" names no file
      {"V1", false, 0, "", 0, 0, 0, false},
      {"", false, 0, "", 0, 0, 0, false},
      {"v1' OR '1'='1", false, 0, "", 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto fetched = library.fetchAsset(c.id);
    ASSERT_TRUE(fetched) << fetched.error().text;
    const std::optional<PhotoAsset>& asset = *fetched;
    ASSERT_EQ(asset.has_value(), c.found);
    if (!asset)
      continue;
    EXPECT_EQ(asset->localIdentifier, c.id);
    EXPECT_EQ(asset->mediaType, c.mediaType);
    EXPECT_EQ(asset->file, c.file);
    EXPECT_EQ(asset->pixelWidth, c.width);
    EXPECT_EQ(asset->pixelHeight, c.height);
    EXPECT_EQ(asset->duration, c.duration);
    EXPECT_EQ(asset->inCloud, c.inCloud);
  }
  EXPECT_FALSE(PhotoLibrary(folder.path() / "none").fetchAsset("v1"));
}

// A catalogue that is not a regular file is denied at once (a named pipe
// held every reader for ever); one held by a writer past the wait is no
// denial, but a lookup that fails with the reason.
TEST(PhotoLibrary, PipesAndLockedCataloguesAnswerPromptly) {
  TestFolder folder;
  fs::path photos = folder.path() / "photos";
  fs::create_directories(photos);
  ASSERT_EQ(::mkfifo((photos / "library.sqlite").c_str(), 0600), 0);
  PhotoLibrary library(photos);
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::denied);
  EXPECT_FALSE(library.fetchAsset("v1"));
  fs::remove(photos / "library.sqlite");

  sql(photos, std::string(schema) + "INSERT INTO assets VALUES('v1', 2, 'a.mp4', 1, 1, 1, 0);");
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open((photos / "library.sqlite").c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(library.authorizationStatus(), PhotoAuthorization::authorized);
  auto fetched = library.fetchAsset("v1");
  ASSERT_FALSE(fetched);
  EXPECT_NE(fetched.error().text.find("locked"), std::string::npos) << fetched.error().text;
  sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  fetched = library.fetchAsset("v1");
  ASSERT_TRUE(fetched);
  EXPECT_TRUE(fetched->has_value());
}

TEST(PhotoLibrary, DefaultFolderFollowsTheBaseDirectoryConvention) {
  std::string saved = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_DATA_HOME", "/data/x", 1);
  EXPECT_EQ(PhotoLibrary::defaultFolder(), "/data/x/vell/photos");
  ::setenv("XDG_DATA_HOME", "relative/x", 1);  // ignored, as the convention says
  EXPECT_EQ(PhotoLibrary::defaultFolder(), fs::path(home) / ".local/share/vell/photos");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(PhotoLibrary::defaultFolder(), fs::path(home) / ".local/share/vell/photos");
  if (!saved.empty())
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

struct Answer {
  bool session = false;
  std::optional<RequestInfo> info;
};

Answer request(PhotoLibrary& library, const PhotoAsset& asset) {
  std::mutex guard;
  std::condition_variable called;
  std::optional<Answer> answer;
  VideoRequestOptions options{true, VideoRequestOptions::DeliveryMode::highQualityFormat,
                              VideoRequestOptions::Version::current};
  library.requestExportSession(
      asset, options, ExportPreset::preset1280x720,
      [&](std::shared_ptr<ExportSession> session, std::optional<RequestInfo> info) {
        std::lock_guard lock(guard);
        answer = Answer{session != nullptr, std::move(info)};
        called.notify_one();
      });
  std::unique_lock lock(guard);
  called.wait(lock, [&] { return answer.has_value(); });
  return *answer;
}

TEST(PhotoLibrary, ExportSessionOnlyForAVideoOnThisMachine) {
  if (!fs::exists(clip("realshort.mp4")))
    GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
  TestFolder folder;
  std::ofstream(folder.path() / "text.mp4") << "not a video";
  std::ofstream(folder.path() / "empty.mp4").flush();
  ASSERT_EQ(::mkfifo((folder.path() / "pipe.mp4").c_str(), 0600), 0);
  PhotoLibrary library(folder.path());
  struct Case {
    fs::path file;
    bool inCloud;
    bool session;
    std::string errorHas;
  };
  const Case cases[] = {
      {clip("realshort.mp4"), false, true, ""},
      {clip("realshort.mp4"), true, true, ""},  // in the cloud, but a copy is here
      {folder.path() / "gone.mp4", true, false, "cloud"},
      {folder.path() / "gone.mp4", false, false, "gone.mp4"},
      {folder.path() / "text.mp4", false, false, "text.mp4"},
      {folder.path(), false, false, "not a regular file"},
      {folder.path() / "pipe.mp4", false, false, "not a regular file"},
      {folder.path() / "empty.mp4", false, false, "empty"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // Reading it would wait for the kernel's next message.
  if (fs::exists("/proc/kmsg"))
    all.push_back({"/proc/kmsg", false, false, "empty"});
  for (const auto& c : all) {
    SCOPED_TRACE(c.file.string());
    PhotoAsset asset;
    asset.mediaType = 2;
    asset.file = c.file;
    asset.inCloud = c.inCloud;
    Answer answer = request(library, asset);
    EXPECT_EQ(answer.session, c.session);
    ASSERT_TRUE(answer.info);
    EXPECT_EQ(answer.info->inCloud, c.inCloud);
    EXPECT_EQ(answer.info->error.has_value(), !c.session);
    EXPECT_NE(answer.info->error.value_or("").find(c.errorHas), std::string::npos);
  }
}

}  // namespace
}  // namespace vell::platform
