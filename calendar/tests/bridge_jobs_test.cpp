// How job files come and go: bursts, undeletable jobs, missing folders,
// jobs that are no files.
#include "calendar/tests/bridge_harness.hpp"
#include "common/nonregular_files.hpp"
#include "common/test_folder.hpp"

namespace vell::calendar::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr double march1 = 1772323200;

std::size_t itemsIn(const fs::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    count += entry.path().extension() == ".ics";
  return count;
}

TEST(BridgeJobs, ABurstOfAThousandJobs) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  writeFile(
      setting.store / "a" / "c" / "one.ics",
      vcalendar(vevent("UID:one\r\nDTSTART:20260302T100000Z\r\nDURATION:PT1H\r\nSUMMARY:One\r\n")));
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  const auto start = Clock::now();
  for (int i = 0; i < 1000; ++i) {
    const bool inRange = i % 2 == 0;
    bridge.submit("job" + std::to_string(i) + ".json",
                  json{{"task", "events"},
                       {"calendarIds", {"a/c"}},
                       {"start", march1},
                       {"end", inRange ? march1 + 86400 * 7 : march1 + 86400 * 40}}
                      .dump());
  }
  const fs::path last = setting.base / "results" / "job999.json";
  ASSERT_TRUE(waitFor(
      [&] {
        return std::distance(fs::directory_iterator(setting.base / "results"),
                             fs::directory_iterator()) == 1000;
      },
      30s));
  std::cout << "1000 jobs answered in "
            << std::chrono::duration<double>(Clock::now() - start).count() << " s\n";
  for (int i = 0; i < 1000; ++i) {
    const auto result = readJSON(setting.base / "results" / ("job" + std::to_string(i) + ".json"));
    ASSERT_TRUE(result) << i;
    if (i % 2 == 0)
      ASSERT_EQ((*result)["events"].size(), 1u) << i;
    else
      ASSERT_EQ(*result, json({{"error", "Use a date range of up to 31 days."}})) << i;
  }
  EXPECT_TRUE(fs::is_empty(setting.base / "jobs"));
  EXPECT_EQ(bridge.stop(), 0);
}

// A jobs/ folder the bridge may not delete from: each job is carried out
// once, never again at later ticks; a new job under the same name is new.
TEST(BridgeJobs, AJobThatCannotBeDeletedIsCarriedOutOnce) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  fs::create_directories(setting.store / "a" / "c");
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  const std::string job = json{
      {"task", "create"},
      {"calendarId", "a/c"},
      {"title", "Once"},
      {"start", march1},
      {"end", march1 + 600}}.dump();
  writeFile(setting.base / "jobs" / "create.json", job);
  giveAway(folder.path());
  fs::permissions(setting.base / "jobs", fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  RunningBridge bridge(setting.base, setting.dataHome);
  const auto first = bridge.result("create.json");
  ASSERT_TRUE(first);
  EXPECT_EQ((*first)["status"], "created");
  // Two more ticks.
  std::this_thread::sleep_for(2200ms);
  EXPECT_TRUE(fs::exists(setting.base / "jobs" / "create.json"));
  EXPECT_EQ(itemsIn(setting.store / "a" / "c"), 1u);
  EXPECT_EQ(readJSON(setting.base / "results" / "create.json"), first);

  // The parent replaces the job with another one.
  fs::permissions(setting.base / "jobs", fs::perms::owner_all);
  fs::remove(setting.base / "jobs" / "create.json");
  writeFile(setting.base / "jobs" / "create.json", json{{"task", "create"},
                                                        {"calendarId", "a/c"},
                                                        {"title", "Twice"},
                                                        {"start", march1},
                                                        {"end", march1 + 1200}}
                                                       .dump());
  giveAway(setting.base);
  fs::permissions(setting.base / "jobs", fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  ASSERT_TRUE(waitFor([&] { return itemsIn(setting.store / "a" / "c") == 2; }, 6s));
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(itemsIn(setting.store / "a" / "c"), 2u);
  fs::permissions(setting.base / "jobs", fs::perms::owner_all);
  EXPECT_EQ(bridge.stop(), 0);
}

// Events no item can hold are the event's fault, not the store's: a NUL in
// the title, half a surrogate pair (valid JSON, once left unanswered), a
// start a billion years out. Hidden job files are still being written and
// are left alone.
TEST(BridgeJobs, EventsNoItemCanHoldAndHiddenJobs) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  fs::create_directories(setting.store / "a" / "c");
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  const std::string nul = R"({"task":"create","calendarId":"a/c","title":"a\u0000b",)"
                          R"("start":1772323200,"end":1772323800})";
  const std::string half = R"({"task":"create","calendarId":"a/c","title":"\ud800",)"
                           R"("start":1772323200,"end":1772323800})";
  const std::string far = json{
      {"task", "create"},
      {"calendarId", "a/c"},
      {"title", "Far"},
      {"start", 1e15},
      {"end", 1e15 + 600}}.dump();
  const std::string huge = R"({"task":"events","calendarIds":["a/c"],"start":1e999,"end":2})";
  writeFile(setting.base / "jobs" / "nul.json", nul);
  writeFile(setting.base / "jobs" / "half.json", half);
  writeFile(setting.base / "jobs" / "far.json", far);
  writeFile(setting.base / "jobs" / "huge.json", huge);
  writeFile(setting.base / "jobs" / ".hidden.json", far);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  const json cannotAccept = {{"error", "The selected calendar cannot accept this event."}};
  for (const char* name : {"nul.json", "half.json", "far.json"}) {
    const auto answer = bridge.result(name);
    ASSERT_TRUE(answer) << name;
    EXPECT_EQ(*answer, cannotAccept) << name;
  }
  const auto huged = bridge.result("huge.json");
  ASSERT_TRUE(huged);
  EXPECT_EQ(*huged, json({{"error", "Use a date range of up to 31 days."}}));
  std::this_thread::sleep_for(1200ms);
  EXPECT_TRUE(fs::exists(setting.base / "jobs" / ".hidden.json"));
  EXPECT_FALSE(fs::exists(setting.base / "results" / ".hidden.json"));
  EXPECT_EQ(itemsIn(setting.store / "a" / "c"), 0u);
  EXPECT_EQ(bridge.stop(), 0);
}

// Anything named like a job that is not a regular file goes without an
// answer, a folder with all it holds; links are removed, never followed.
TEST(BridgeJobs, JobsThatAreNoFilesAreRemovedUnanswered) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  fs::create_directories(setting.store);
  const fs::path keep = folder.path() / "keep";
  writeFile(keep / "precious.txt", "mine");
  const std::string job = json{{"task", "nothing"}, {"start", 0}, {"end", 1}}.dump();
  writeFile(keep / "job.json", job);
  const fs::path jobs = setting.base / "jobs";
  writeFile(jobs / "full.json" / "inside.json", job);
  writeFile(jobs / "full.json" / "deeper" / "note.txt", "x");
  fs::create_symlink(keep, jobs / "full.json" / "deeper" / "away");
  fs::create_symlink(keep / "precious.txt", jobs / "full.json" / "file-away");
  fs::create_directory(jobs / "empty.json");
  fs::create_symlink(keep / "job.json", jobs / "link.json");
  ASSERT_EQ(::mkfifo((jobs / "pipe.json").c_str(), 0600), 0);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  bridge.submit("plain.json", job);
  ASSERT_TRUE(bridge.result("plain.json"));
  ASSERT_TRUE(waitFor([&] { return fs::is_empty(jobs); }, 3s));
  EXPECT_EQ(
      std::distance(fs::directory_iterator(setting.base / "results"), fs::directory_iterator()), 1);
  EXPECT_EQ(readFile(keep / "precious.txt"), "mine");
  EXPECT_EQ(readFile(keep / "job.json"), job);
  EXPECT_EQ(bridge.stop(), 0);
}

// With jobs/ and results/ missing the status is still kept; jobs are
// answered as soon as the folders appear.
TEST(BridgeJobs, MissingFoldersAreWaitedFor) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  fs::remove(setting.base / "jobs");
  fs::remove(setting.base / "results");
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  ASSERT_TRUE(waitFor([&] { return bridge.status().has_value(); }, 5s));
  const double first = (*bridge.status())["updated"];
  ASSERT_TRUE(waitFor([&] { return (*bridge.status())["updated"].get<double>() > first; }, 6s));

  fs::create_directories(setting.base / "jobs");
  fs::create_directories(setting.base / "results");
  giveAway(setting.base);
  bridge.submit("late.json", json{{"task", "nothing"}, {"start", 0}, {"end", 1}}.dump());
  EXPECT_EQ(bridge.result("late.json"), json({{"error", "Unsupported calendar action."}}));
  EXPECT_EQ(bridge.stop(), 0);
  // No temporary file is left behind.
  for (const fs::path& dir : {setting.base, setting.base / "results"})
    for (const auto& entry : fs::directory_iterator(dir))
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

}  // namespace
}  // namespace vell::calendar::testing
