// Hostile calendar items and long work: the bridge keeps answering, keeps
// its status fresh, and ends promptly when told to.
#include "calendar/tests/bridge_harness.hpp"
#include "common/test_folder.hpp"
#include "platform/calendar/test_zones.hpp"

namespace vell::calendar::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr double march1 = 1772323200;

const std::string& everySecondZone = calendar_test_zones::everySecond;
const std::string& outlookZone = calendar_test_zones::outlook;

json eventsJob(double start, double end) {
  return json{{"task", "events"}, {"calendarIds", {"a/c"}}, {"start", start}, {"end", end}};
}

TEST(BridgeBounds, AHostileItemDoesNotStopTheBridge) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  const fs::path calendar = setting.store / "a" / "c";
  writeFile(calendar / "hostile.ics",
            vcalendar(everySecondZone +
                      vevent("UID:h\r\nDTSTART;TZID=Hostile:20260310T090000\r\nSUMMARY:H\r\n")));
  // Rules that never match: the 30th of February, every second or day.
  writeFile(
      calendar / "never.ics",
      vcalendar(vevent("UID:n1\r\nDTSTART:20260301T100000Z\r\n"
                       "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30\r\nSUMMARY:N1\r\n") +
                vevent("UID:n2\r\nDTSTART:00010301T100000Z\r\n"
                       "RRULE:FREQ=DAILY;COUNT=9;BYMONTH=2;BYMONTHDAY=30\r\nSUMMARY:N2\r\n")));
  // Thousands of events past the years libical has zone offsets for.
  std::string far;
  for (int i = 0; i < 2000; ++i)
    far += vevent("UID:f" + std::to_string(i) + "\r\nDTSTART;TZID=Europe/Berlin:" +
                  std::to_string(9999 - i % 3000) + "0301T090000\r\nSUMMARY:F\r\n");
  writeFile(calendar / "far.ics", vcalendar(far));
  writeFile(calendar / "plain.ics",
            vcalendar(vevent("UID:p\r\nDTSTART:20260302T100000Z\r\nDURATION:PT1H\r\n"
                             "SUMMARY:Plain\r\n")));
  // Components nested hundreds of thousands deep, under the item size limit:
  // once a stack overflow at every listing. Such items are skipped whole.
  std::string opened;
  for (int i = 0; i < 300000; ++i)
    opened += "BEGIN:VEVENT\r\n";
  writeFile(calendar / "opened.ics",
            vcalendar(vevent("UID:o\r\nDTSTART:20260303T100000Z\r\nSUMMARY:O\r\n") + opened));
  std::string nested;
  for (int i = 0; i < 520000; ++i)
    nested += "BEGIN:X\n";
  for (int i = 0; i < 520000; ++i)
    nested += "END:X\n";
  writeFile(calendar / "nested.ics", nested);
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  bridge.submit("march.json", eventsJob(march1, march1 + 31 * 86400).dump());
  const auto march = bridge.result("march.json", 20s);
  ASSERT_TRUE(march);
  std::vector<std::string> titles;
  for (const auto& event : (*march)["events"])
    titles.push_back(event["title"]);
  std::sort(titles.begin(), titles.end());
  // The hostile zone is read as far as it goes: its event is still listed.
  EXPECT_EQ(titles, (std::vector<std::string>{"H", "N1", "Plain"}));

  // Still ticking, and answering.
  const double updated = (*bridge.status())["updated"];
  ASSERT_TRUE(waitFor([&] { return (*bridge.status())["updated"] != updated; }, 3s));
  bridge.submit("again.json", eventsJob(march1, march1 + 86400 * 7).dump());
  EXPECT_TRUE(bridge.result("again.json", 5s));
  EXPECT_EQ(bridge.stop(), 0);
}

// SIGTERM in the middle of a long listing ends the bridge at once; the cut
// listing is not answered.
TEST(BridgeBounds, EndsPromptlyInTheMiddleOfAJob) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  const fs::path calendar = setting.store / "a" / "c";
  // Each item brings its own zone, which takes a little while to read.
  for (int i = 0; i < 4000; ++i)
    writeFile(calendar / ("item" + std::to_string(i) + ".ics"),
              vcalendar(outlookZone + vevent("UID:i" + std::to_string(i) +
                                             "\r\nDTSTART;TZID=W. Europe Standard Time:"
                                             "20260302T100000\r\nSUMMARY:I\r\n")));
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome);
  bridge.submit("long.json", eventsJob(march1, march1 + 86400).dump());
  ASSERT_TRUE(waitFor([&] { return !fs::exists(setting.base / "jobs" / "long.json"); }, 3s));
  std::this_thread::sleep_for(300ms);
  ASSERT_FALSE(fs::exists(setting.base / "results" / "long.json")) << "finished too soon to tell";
  EXPECT_EQ(bridge.stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(setting.base / "results" / "long.json"));
}

}  // namespace
}  // namespace vell::calendar::testing
