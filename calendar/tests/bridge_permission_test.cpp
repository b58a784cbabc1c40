// Calendar permission as the folder modes of the store give it.
#include "calendar/tests/bridge_harness.hpp"
#include "common/test_folder.hpp"

namespace vell::calendar::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

const json notGranted = {{"error", "Calendar permission has not been granted."}};

std::string anyJob(const char* task) {
  return json{{"task", task}, {"calendarIds", {"a/b"}}, {"calendarId", "a/b"},
              {"title", "x"}, {"start", 1772323200},    {"end", 1772326800}}
      .dump();
}

struct State {
  const char* name;
  std::function<void(const Setting&)> prepare;
  const char* expected;
};

// One bridge per state, all running at once so that the test takes one tick.
TEST(BridgePermission, StatesFromFolderModes) {
  const std::vector<State> states = {
      {"never asked, and asking cannot create the store",
       [](const Setting& s) {
         fs::permissions(s.dataHome, fs::perms::owner_read | fs::perms::owner_exec);
       },
       "permission_needed"},
      {"write-only store",
       [](const Setting& s) {
         fs::create_directories(s.store);
         fs::permissions(s.store, fs::perms::owner_write | fs::perms::owner_exec,
                         fs::perm_options::replace);
       },
       "denied"},
      {"read-only store",
       [](const Setting& s) {
         fs::create_directories(s.store);
         fs::permissions(s.store, fs::perms::owner_read | fs::perms::owner_exec,
                         fs::perm_options::replace);
       },
       "denied"},
      {"closed store",
       [](const Setting& s) {
         fs::create_directories(s.store);
         fs::permissions(s.store, fs::perms::none, fs::perm_options::replace);
       },
       "denied"},
  };
  std::vector<std::unique_ptr<TestFolder>> folders;
  std::vector<Setting> settings;
  std::vector<std::unique_ptr<RunningBridge>> bridges;
  for (const State& state : states) {
    folders.push_back(std::make_unique<TestFolder>());
    settings.push_back(makeSetting(folders.back()->path()));
    writeFile(settings.back().base / "jobs" / "events.json", anyJob("events"));
    writeFile(settings.back().base / "jobs" / "create.json", anyJob("create"));
    writeFile(settings.back().base / "jobs" / "other.json", anyJob("other"));
    giveAway(folders.back()->path());
    state.prepare(settings.back());
    bridges.push_back(
        std::make_unique<RunningBridge>(settings.back().base, settings.back().dataHome));
  }
  for (std::size_t i = 0; i < states.size(); ++i) {
    SCOPED_TRACE(states[i].name);
    for (const char* job : {"events.json", "create.json", "other.json"})
      EXPECT_EQ(bridges[i]->result(job), notGranted) << job;
    const auto status = bridges[i]->status();
    ASSERT_TRUE(status);
    EXPECT_EQ((*status)["state"], states[i].expected);
    EXPECT_FALSE(status->contains("calendars"));
    EXPECT_EQ(bridges[i]->stop(), 0);
  }
  EXPECT_FALSE(fs::exists(settings[0].store));
  for (std::size_t i = 0; i < states.size(); ++i) {
    fs::permissions(settings[i].dataHome, fs::perms::owner_all);
    if (fs::exists(settings[i].store))
      fs::permissions(settings[i].store, fs::perms::owner_all);
  }
}

// Asked at launch, the store is made and the answer shows at once; later
// changes show at the next tick.
TEST(BridgePermission, AskedAtLaunchThenFollowed) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  ASSERT_TRUE(waitFor(
      [&] {
        auto s = bridge.status();
        return s && (*s)["state"] == "ready";
      },
      5s));
  EXPECT_EQ(modeOf(setting.store), 0700u);
  EXPECT_EQ((*bridge.status())["calendars"], json::array());

  fs::permissions(setting.store, fs::perms::owner_write | fs::perms::owner_exec,
                  fs::perm_options::replace);
  ASSERT_TRUE(waitFor(
      [&] {
        auto s = bridge.status();
        return s && (*s)["state"] == "denied";
      },
      6s));
  EXPECT_FALSE(bridge.status()->contains("calendars"));
  bridge.submit("late.json", anyJob("events"));
  EXPECT_EQ(bridge.result("late.json"), notGranted);
  fs::permissions(setting.store, fs::perms::owner_all);
  EXPECT_EQ(bridge.stop(), 0);
}

}  // namespace
}  // namespace vell::calendar::testing
