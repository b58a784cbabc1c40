// The bridge driven through its folder, with real iCalendar files.
#include <algorithm>

#include "calendar/tests/bridge_harness.hpp"
#include "common/test_folder.hpp"

namespace vell::calendar::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr double march1 = 1772323200;  // 2026-03-01T00:00:00Z
constexpr double month = 2678400;

std::string events(const std::string& calendars, double start, double end) {
  return json{
      {"task", "events"}, {"calendarIds", json::parse(calendars)}, {"start", start}, {"end", end}}
      .dump();
}

std::string create(const std::string& calendar, const json& title, double start, double end) {
  return json{{"task", "create"},
              {"calendarId", calendar},
              {"title", title},
              {"start", start},
              {"end", end}}
      .dump();
}

std::string timed(int i, double start) {
  return vcalendar(vevent("UID:busy-" + std::to_string(i) + "\r\nDTSTART:" +
                          [&] {
                            auto t = static_cast<std::time_t>(start);
                            std::tm utc{};
                            ::gmtime_r(&t, &utc);
                            char text[32];
                            std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
                            return std::string(text);
                          }() +
                          "\r\nDURATION:PT1H\r\nSUMMARY:Busy " + std::to_string(i) + "\r\n"));
}

// A store like a synchronised one: real files, a read-only calendar, a
// subscription, an account with a display name, and full calendars.
void fillStore(const fs::path& store) {
  writeFile(store / "personal" / "displayname", "Personal Account\n");
  writeFile(store / "personal" / "home" / "displayname", "Home");
  writeFile(store / "personal" / "home" / "recurrence.ics", sample("recurrence.ics"));
  writeFile(store / "personal" / "nasa" / "exdate.ics", sample("exdate.ics"));
  writeFile(store / "personal" / "shared" / "displayname", "Shared");
  writeFile(store / "personal" / "holidays" / "subscription", "https://example.org/holidays.ics");
  writeFile(store / "personal" / "holidays" / "displayname", "Holidays");
  for (int i = 0; i < 301; ++i)
    writeFile(store / "work" / "busy" / ("e" + std::to_string(i) + ".ics"),
              timed(i, march1 + 7200.0 * i));
  for (int i = 0; i < 300; ++i)
    writeFile(store / "work" / "exact" / ("e" + std::to_string(i) + ".ics"),
              timed(i, march1 + 7200.0 * i));
}

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setting = makeSetting(folder.path());
    fillStore(setting.store);
    fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
    giveAway(folder.path());
    fs::permissions(setting.store / "personal" / "shared",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec);
  }
  void TearDown() override {
    fs::permissions(setting.store / "personal" / "shared", fs::perms::owner_all);
  }

  TestFolder folder;
  Setting setting;
};

TEST(Bridge, WithoutItsFolderEndsAtOnceWritingNothing) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome, {.withFolder = false});
  EXPECT_EQ(bridge.wait(2s), 1);
  EXPECT_TRUE(fs::is_empty(setting.base / "jobs"));
  EXPECT_TRUE(fs::is_empty(setting.base / "results"));
  EXPECT_FALSE(fs::exists(setting.base / "status.json"));
  EXPECT_FALSE(fs::exists(setting.store));
}

TEST_F(BridgeTest, AnswersEveryKindOfJob) {
  struct Job {
    const char* name;
    std::string text;
    std::optional<json> answer;  // nothing: no result file
  };
  const json rangeError = {{"error", "Use a date range of up to 31 days."}};
  const json cannotAccept = {{"error", "The selected calendar cannot accept this event."}};
  const json unsupported = {{"error", "Unsupported calendar action."}};
  const json selectFirst = {{"error", "Select calendars first."}};
  const double may2012 = 1335830400;    // 2012-05-01T00:00:00Z
  const double april2004 = 1080777600;  // 2004-04-01T00:00:00Z
  const std::vector<Job> jobs = {
      {"weekly.json", events(R"(["personal/home"])", may2012, may2012 + 30 * 86400),
       json{{"truncated", 0},
            {"events", json::array({
                           json{{"id", ""},
                                {"title", "A Recurring event with multiple exdates, one per line."},
                                {"start", "2012-05-08T08:00:00Z"},
                                {"end", "2012-05-08T16:00:00Z"},
                                {"allDay", false},
                                {"calendar", "Home"},
                                {"calendarId", "personal/home"}},
                           json{{"id", ""},
                                {"title", "A Recurring event with multiple exdates, one per line."},
                                {"start", "2012-05-15T08:00:00Z"},
                                {"end", "2012-05-15T16:00:00Z"},
                                {"allDay", false},
                                {"calendar", "Home"},
                                {"calendarId", "personal/home"}},
                           json{{"id", ""},
                                {"title", "A Recurring event with multiple exdates, one per line."},
                                {"start", "2012-05-22T08:00:00Z"},
                                {"end", "2012-05-22T16:00:00Z"},
                                {"allDay", false},
                                {"calendar", "Home"},
                                {"calendarId", "personal/home"}},
                       })}}},
      {"allday.json",
       events(R"(["gone/calendar", 7, "personal/nasa"])", april2004, april2004 + 30 * 86400),
       json{{"truncated", 0},
            {"events", json::array({json{{"id", "D2924923-RID"},
                                         {"title", "(1961) Little Joe 5B"},
                                         {"start", "2004-04-28T00:00:00Z"},
                                         {"end", "2004-04-29T00:00:00Z"},
                                         {"allDay", true},
                                         {"calendar", ""},
                                         {"calendarId", "personal/nasa"}}})}}},
      {"none.json", events(R"(["personal/holidays"])", march1, march1 + month),
       json{{"events", json::array()}, {"truncated", 0}}},
      {"exact-month.json", events(R"(["personal/holidays"])", march1, march1 + 2678400),
       json{{"events", json::array()}, {"truncated", 0}}},
      {"empty-ids.json", events("[]", march1, march1 + 60), selectFirst},
      {"no-ids.json", json{{"task", "events"}, {"start", march1}, {"end", march1 + 60}}.dump(),
       selectFirst},
      {"string-ids.json",
       json{{"task", "events"},
            {"calendarIds", "personal/home"},
            {"start", march1},
            {"end", march1 + 60}}
           .dump(),
       selectFirst},
      {"stale-ids.json", events(R"(["gone/one", "personal"])", march1, march1 + 60),
       json{{"error", "Selected calendars are no longer available."}}},
      {"equal.json", events(R"(["personal/home"])", march1, march1), rangeError},
      {"over.json", events(R"(["personal/home"])", march1, march1 + month + 0.5), rangeError},
      {"bad-range-first.json", json{{"task", "delete"}, {"start", 10}, {"end", 5}}.dump(),
       rangeError},
      {"array-start.json", json{{"task", "events"}, {"start", json::array()}, {"end", 5}}.dump(),
       rangeError},
      {"unsupported.json", json{{"task", "delete"}, {"start", march1}, {"end", march1 + 60}}.dump(),
       unsupported},
      {"no-task.json", json{{"start", march1}, {"end", march1 + 60}}.dump(), unsupported},
      {"case.json", json{{"task", "Events"}, {"start", march1}, {"end", march1 + 60}}.dump(),
       unsupported},
      {"strings.json",
       json{{"task", "events"},
            {"calendarIds", {"personal/holidays"}},
            {"start", " 1772323200"},
            {"end", "1772409600 seconds"}}
           .dump(),
       json{{"events", json::array()}, {"truncated", 0}}},
      {"read-only.json", create("personal/shared", "Meeting", march1, march1 + 3600), cannotAccept},
      {"unknown.json", create("personal/nowhere", "Meeting", march1, march1 + 3600), cannotAccept},
      {"long-title.json", create("personal/home", std::string(301, 'x'), march1, march1 + 3600),
       cannotAccept},
      {"long-emoji.json",
       create(
           "personal/home",
           "x" +
               [] {
                 std::string s;
                 for (int i = 0; i < 150; ++i)
                   s += "😀";
                 return s;
               }(),
           march1, march1 + 3600),
       cannotAccept},
      {"empty-title.json", create("personal/home", "", march1, march1 + 3600), cannotAccept},
      {"number-title.json", create("personal/home", 42, march1, march1 + 3600), cannotAccept},
      {"long-create.json", create("personal/home", "Sabbatical", march1, march1 + month + 1),
       rangeError},
      {"deep.json",
       "{\"task\":\"events\",\"calendarIds\":[\"personal/"
       "holidays\"],\"start\":1772323200,\"end\":1772326800,"
       "\"x\":" +
           std::string(300000, '[') + std::string(300000, ']') + "}",
       json{{"events", json::array()}, {"truncated", 0}}},
      {"array.json", "[{\"task\":\"events\"}]", std::nullopt},
      {"empty.json", "", std::nullopt},
      {"broken.json", "{\"task\":", std::nullopt},
      {"huge.json", "{\"task\":\"events\",\"pad\":\"" + std::string(1 << 20, 'x') + "\"}",
       std::nullopt},
  };
  for (const Job& job : jobs)
    writeFile(setting.base / "jobs" / job.name, job.text);
  // A link to a valid job elsewhere, and names that are not jobs.
  writeFile(folder.path() / "elsewhere.json", events(R"(["personal/home"])", march1, march1 + 60));
  fs::create_symlink(folder.path() / "elsewhere.json", setting.base / "jobs" / "link.json");
  for (const char* name : {"upper.JSON", "half.json.tmp", "notes.txt"})
    writeFile(setting.base / "jobs" / name, events(R"(["personal/home"])", march1, march1 + 60));
  giveAway(setting.base);

  RunningBridge bridge(setting.base, setting.dataHome, {.umask = 0});
  // Answered at the first tick, one second after launch. The hidden
  // temporary file of an answer being written is not an answer yet.
  const auto results = static_cast<long>(jobs.size() - 4);
  ASSERT_TRUE(waitFor(
      [&] {
        return std::count_if(fs::directory_iterator(setting.base / "results"),
                             fs::directory_iterator(), [](const fs::directory_entry& entry) {
                               return !entry.path().filename().string().starts_with(".");
                             }) == results;
      },
      30s));
  for (const Job& job : jobs) {
    SCOPED_TRACE(job.name);
    EXPECT_FALSE(fs::exists(setting.base / "jobs" / job.name));
    const fs::path result = setting.base / "results" / job.name;
    if (!job.answer) {
      EXPECT_FALSE(fs::exists(result));
      continue;
    }
    EXPECT_EQ(readJSON(result), job.answer);
    EXPECT_EQ(modeOf(result), 0600u);
  }
  EXPECT_FALSE(fs::exists(setting.base / "jobs" / "link.json"));
  EXPECT_FALSE(fs::exists(setting.base / "results" / "link.json"));
  EXPECT_TRUE(fs::exists(folder.path() / "elsewhere.json"));
  // Slashes are escaped as the parent's JSON reader expects them.
  EXPECT_NE(readFile(setting.base / "results" / "allday.json").find(R"("personal\/nasa")"),
            std::string::npos);
  // Nothing but the result files in results/.
  EXPECT_EQ(
      std::distance(fs::directory_iterator(setting.base / "results"), fs::directory_iterator()),
      results);
  // No job made an event.
  for (const char* calendar : {"shared", "home"})
    for (const auto& entry : fs::directory_iterator(setting.store / "personal" / calendar))
      EXPECT_TRUE(entry.path().filename() == "displayname" ||
                  entry.path().filename() == "recurrence.ics")
          << entry.path();
  EXPECT_EQ(bridge.stop(), 0);
  for (const char* name : {"upper.JSON", "half.json.tmp", "notes.txt"})
    EXPECT_TRUE(fs::exists(setting.base / "jobs" / name)) << name;
}

TEST_F(BridgeTest, PublishesCalendarsAndServesFullCalendars) {
  RunningBridge bridge(setting.base, setting.dataHome);
  ASSERT_TRUE(waitFor([&] { return bridge.status().has_value(); }, 5s));
  const json status = *bridge.status();
  EXPECT_EQ(status["state"], "ready");
  EXPECT_EQ(modeOf(setting.base / "status.json"), 0600u);
  const json expected = json::array({
      json{{"id", "personal/holidays"},
           {"title", "Holidays"},
           {"account", "Personal Account"},
           {"writable", true},
           {"subscribed", true}},
      json{{"id", "personal/home"},
           {"title", "Home"},
           {"account", "Personal Account"},
           {"writable", true},
           {"subscribed", false}},
      json{{"id", "personal/nasa"},
           {"title", "Calendar"},
           {"account", "Personal Account"},
           {"writable", true},
           {"subscribed", false}},
      json{{"id", "personal/shared"},
           {"title", "Shared"},
           {"account", "Personal Account"},
           {"writable", false},
           {"subscribed", false}},
      json{{"id", "work/busy"},
           {"title", "Calendar"},
           {"account", "work"},
           {"writable", true},
           {"subscribed", false}},
      json{{"id", "work/exact"},
           {"title", "Calendar"},
           {"account", "work"},
           {"writable", true},
           {"subscribed", false}},
  });
  EXPECT_EQ(status["calendars"], expected);

  bridge.submit("busy.json", events(R"(["work/busy"])", march1, march1 + month));
  bridge.submit("exact.json", events(R"(["work/exact"])", march1, march1 + month));
  const auto busy = bridge.result("busy.json");
  const auto exact = bridge.result("exact.json");
  ASSERT_TRUE(busy && exact);
  EXPECT_EQ((*busy)["truncated"], 1);
  EXPECT_EQ((*exact)["truncated"], 0);
  ASSERT_EQ((*busy)["events"].size(), 300u);
  ASSERT_EQ((*exact)["events"].size(), 300u);
  // The 300 earliest, by start.
  EXPECT_EQ((*busy)["events"][0]["start"], "2026-03-01T00:00:00Z");
  EXPECT_EQ((*busy)["events"][299]["start"], "2026-03-25T22:00:00Z");
  EXPECT_EQ((*busy)["events"][299]["title"], "Busy 299");
  for (std::size_t i = 1; i < 300; ++i)
    EXPECT_LT((*busy)["events"][i - 1]["start"].get<std::string>(),
              (*busy)["events"][i]["start"].get<std::string>());

  // "updated" moves on with every tick.
  const double first = (*bridge.status())["updated"];
  ASSERT_TRUE(waitFor(
      [&] {
        auto s = bridge.status();
        return s && (*s)["updated"].get<double>() > first;
      },
      6s));
  EXPECT_EQ(bridge.stop(SIGINT), 0);
}

TEST_F(BridgeTest, CreatedEventsAreInTheStoreAtOnceAndAnsweredWithinATick) {
  RunningBridge bridge(setting.base, setting.dataHome);
  const std::string blanks = "   ";
  std::string longest;
  for (int i = 0; i < 150; ++i)
    longest += "😀";
  const auto submitted = Clock::now();
  bridge.submit("blanks.json", create("personal/home", blanks, march1 + 3600, march1 + 7200));
  bridge.submit("longest.json", create("personal/home", longest, march1 + 0.9, march1 + 1800));
  const auto first = bridge.result("blanks.json");
  const auto latency = Clock::now() - submitted;
  const auto second = bridge.result("longest.json");
  ASSERT_TRUE(first && second);
  // Job files are looked for every second; the bound is loose on purpose
  // (a busy machine), the bench measures the real figure.
  EXPECT_LT(latency, 5s);
  EXPECT_EQ((*first)["status"], "created");
  EXPECT_EQ((*second)["status"], "created");
  const std::string id = (*first)["id"];
  EXPECT_TRUE(fs::exists(setting.store / "personal" / "home" / (id + ".ics")));

  bridge.submit("check.json", events(R"(["personal/home"])", march1, march1 + 86400));
  const auto check = bridge.result("check.json");
  ASSERT_TRUE(check);
  EXPECT_EQ((*check)["events"], json::array({json{{"id", (*second)["id"]},
                                                  {"title", longest},
                                                  {"start", "2026-03-01T00:00:00Z"},
                                                  {"end", "2026-03-01T00:30:00Z"},
                                                  {"allDay", false},
                                                  {"calendar", "Home"},
                                                  {"calendarId", "personal/home"}},
                                             json{{"id", id},
                                                  {"title", blanks},
                                                  {"start", "2026-03-01T01:00:00Z"},
                                                  {"end", "2026-03-01T02:00:00Z"},
                                                  {"allDay", false},
                                                  {"calendar", "Home"},
                                                  {"calendarId", "personal/home"}}}));
  EXPECT_EQ(bridge.stop(), 0);
}

// All-day days are local days; a Berlin meeting keeps its wall clock.
TEST(Bridge, ServesLocalDaysAndOtherZonesAcrossDaylightSaving) {
  TestFolder folder;
  Setting setting = makeSetting(folder.path());
  const fs::path calendar = setting.store / "me" / "local";
  writeFile(calendar / "day.ics",
            vcalendar(vevent("UID:day\r\nDTSTART;VALUE=DATE:20260308\r\n"
                             "DTEND;VALUE=DATE:20260309\r\nSUMMARY:Change day\r\n")));
  writeFile(
      calendar / "berlin.ics",
      vcalendar(vevent("UID:berlin\r\nDTSTART;TZID=Europe/Berlin:20260316T090000\r\n"
                       "DTEND;TZID=Europe/Berlin:20260316T100000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
                       "SUMMARY:Berlin call\r\n")));
  writeFile(calendar / "exdate.ics", sample("exdate.ics"));
  fs::permissions(setting.store, fs::perms::owner_all, fs::perm_options::replace);
  giveAway(folder.path());
  RunningBridge bridge(setting.base, setting.dataHome, {.timeZone = "America/Chicago"});
  bridge.submit("march.json", events(R"(["me/local"])", march1, march1 + month));
  bridge.submit("april.json", events(R"(["me/local"])", 1080777600, 1080777600 + 30 * 86400));
  const auto march = bridge.result("march.json");
  const auto april = bridge.result("april.json");
  ASSERT_TRUE(march && april);
  std::vector<std::string> spans;
  for (const json& event : (*march)["events"])
    spans.push_back(event["start"].get<std::string>() + " " + event["end"].get<std::string>() +
                    " " + event["title"].get<std::string>() +
                    (event["allDay"].get<bool>() ? " all-day" : ""));
  EXPECT_EQ(spans, (std::vector<std::string>{
                       "2026-03-08T06:00:00Z 2026-03-09T05:00:00Z Change day all-day",
                       "2026-03-16T08:00:00Z 2026-03-16T09:00:00Z Berlin call",
                       "2026-03-23T08:00:00Z 2026-03-23T09:00:00Z Berlin call",
                       "2026-03-30T07:00:00Z 2026-03-30T08:00:00Z Berlin call",
                   }));
  ASSERT_EQ((*april)["events"].size(), 1u);
  EXPECT_EQ((*april)["events"][0]["start"], "2004-04-28T05:00:00Z");
  EXPECT_EQ(bridge.stop(), 0);
}

}  // namespace
}  // namespace vell::calendar::testing
