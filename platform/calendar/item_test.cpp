#include "platform/calendar/item.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/calendar/test_zones.hpp"
#include "platform/calendar/text.hpp"
#include "platform/calendar/time.hpp"

namespace vell::calendar_item {
namespace {

// Runs a test in a given local time zone, restoring the previous one after.
class LocalZone {
 public:
  explicit LocalZone(const char* zone) {
    if (const char* old = std::getenv("TZ"))
      previous_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~LocalZone() {
    if (previous_)
      ::setenv("TZ", previous_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> previous_;
};

std::string iso(std::int64_t seconds) {
  auto time = static_cast<std::time_t>(seconds);
  std::tm utc{};
  ::gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::int64_t at(const char* text) {
  std::tm utc{};
  ::strptime(text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return ::timegm(&utc);
}

// "start/end summary" for each occurrence, sorted by start.
std::vector<std::string> listing(const Item& item, const char* from, const char* to) {
  std::vector<Occurrence> found;
  occurrences(item, at(from), at(to), found);
  std::sort(found.begin(), found.end(),
            [](const Occurrence& a, const Occurrence& b) { return a.span.start < b.span.start; });
  std::vector<std::string> lines;
  for (const Occurrence& occurrence : found)
    lines.push_back(iso(occurrence.span.start) + "/" + iso(occurrence.span.end) + " " +
                    occurrence.event->summary.value_or("-"));
  return lines;
}

std::string wrap(const std::string& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:test\r\n" + body + "END:VCALENDAR\r\n";
}

std::string event(const std::string& lines) {
  return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}

std::string sample(const char* name) {
  const char* samples = std::getenv("SAMPLES");
  std::ifstream file(std::string(samples ? samples : "") + "/calendars/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

const std::string& outlookZone = calendar_test_zones::outlook;

struct Case {
  const char* name;
  const char* localZone;
  std::string ics;
  const char* from;
  const char* to;
  std::vector<std::string> expected;
};

TEST(CalendarItem, OccurrencesInARange) {
  const std::vector<Case> cases = {
      {"all-day event without end lasts its local day",
       "Europe/Berlin",
       wrap(event("UID:a\r\nDTSTART;VALUE=DATE:20260302\r\nSUMMARY:Day\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-03-05T00:00:00Z",
       {"2026-03-01T23:00:00Z/2026-03-02T23:00:00Z Day"}},
      {"all-day days across the spring change end at local midnights",
       "Europe/Berlin",
       wrap(event("UID:b\r\nDTSTART;VALUE=DATE:20260328\r\nDTEND;VALUE=DATE:20260329\r\n"
                  "RRULE:FREQ=DAILY;COUNT=2\r\nSUMMARY:Weekend\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-04-01T00:00:00Z",
       {"2026-03-27T23:00:00Z/2026-03-28T23:00:00Z Weekend",
        "2026-03-28T23:00:00Z/2026-03-29T22:00:00Z Weekend"}},
      {"a New York morning keeps its wall clock across the change",
       "UTC",
       wrap(event("UID:c\r\nDTSTART;TZID=America/New_York:20260306T090000\r\n"
                  "DTEND;TZID=America/"
                  "New_York:20260306T093000\r\nRRULE:FREQ=DAILY;COUNT=4\r\nSUMMARY:Standup\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-04-01T00:00:00Z",
       {"2026-03-06T14:00:00Z/2026-03-06T14:30:00Z Standup",
        "2026-03-07T14:00:00Z/2026-03-07T14:30:00Z Standup",
        "2026-03-08T13:00:00Z/2026-03-08T13:30:00Z Standup",
        "2026-03-09T13:00:00Z/2026-03-09T13:30:00Z Standup"}},
      {"floating times are local times",
       "Asia/Tokyo",
       wrap(event("UID:d\r\nDTSTART:20260310T100000\r\nDURATION:PT2H\r\nSUMMARY:Float\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-04-01T00:00:00Z",
       {"2026-03-10T01:00:00Z/2026-03-10T03:00:00Z Float"}},
      {"an exception replaces its occurrence, EXDATE removes one",
       "UTC",
       wrap(event("UID:e\r\nDTSTART:20260302T100000Z\r\nDTEND:20260302T110000Z\r\n"
                  "RRULE:FREQ=WEEKLY;COUNT=4\r\nEXDATE:20260316T100000Z\r\nSUMMARY:Weekly\r\n") +
            event("UID:e\r\nRECURRENCE-ID:20260309T100000Z\r\nDTSTART:20260310T150000Z\r\n"
                  "DTEND:20260310T160000Z\r\nSUMMARY:Moved\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-04-01T00:00:00Z",
       {"2026-03-02T10:00:00Z/2026-03-02T11:00:00Z Weekly",
        "2026-03-10T15:00:00Z/2026-03-10T16:00:00Z Moved",
        "2026-03-23T10:00:00Z/2026-03-23T11:00:00Z Weekly"}},
      {"RDATE adds dates and periods",
       "UTC",
       wrap(event("UID:f\r\nDTSTART:20260302T100000Z\r\nDURATION:PT1H\r\nRDATE:20260305T080000Z\r\n"
                  "RDATE;VALUE=PERIOD:20260306T080000Z/PT3H\r\nSUMMARY:Extra\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-04-01T00:00:00Z",
       {"2026-03-02T10:00:00Z/2026-03-02T11:00:00Z Extra",
        "2026-03-05T08:00:00Z/2026-03-05T09:00:00Z Extra",
        "2026-03-06T08:00:00Z/2026-03-06T11:00:00Z Extra"}},
      {"overlap: an end at the range start is out, a start at the range end is out",
       "UTC",
       wrap(event("UID:g1\r\nDTSTART:20260301T090000Z\r\nDTEND:20260301T100000Z\r\nSUMMARY:"
                  "Before\r\n") +
            event("UID:g2\r\nDTSTART:20260301T120000Z\r\nDTEND:20260301T130000Z\r\nSUMMARY:"
                  "After\r\n") +
            event("UID:g3\r\nDTSTART:20260301T095959Z\r\nDTEND:20260301T100001Z\r\nSUMMARY:"
                  "Across\r\n") +
            event("UID:g4\r\nDTSTART:20260301T100000Z\r\nSUMMARY:Instant\r\n")),
       "2026-03-01T10:00:00Z",
       "2026-03-01T12:00:00Z",
       {"2026-03-01T09:59:59Z/2026-03-01T10:00:01Z Across",
        "2026-03-01T10:00:00Z/2026-03-01T10:00:00Z Instant"}},
      {"a vendor prefix before a zone name still finds the zone",
       "UTC",
       wrap(event("UID:h\r\nDTSTART;TZID=/mozilla.org/20050126_1/Europe/Berlin:20260701T120000\r\n"
                  "SUMMARY:Prefixed\r\n")),
       "2026-07-01T00:00:00Z",
       "2026-07-02T00:00:00Z",
       {"2026-07-01T10:00:00Z/2026-07-01T10:00:00Z Prefixed"}},
      {"a zone known only from the item's own VTIMEZONE",
       "UTC",
       wrap("BEGIN:VTIMEZONE\r\nTZID:Fixed Plus "
            "Five\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
            "TZOFFSETFROM:+0500\r\nTZOFFSETTO:+0500\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n" +
            event("UID:i\r\nDTSTART;TZID=Fixed Plus Five:20260701T120000\r\nSUMMARY:Own zone\r\n")),
       "2026-07-01T00:00:00Z",
       "2026-07-02T00:00:00Z",
       {"2026-07-01T07:00:00Z/2026-07-01T07:00:00Z Own zone"}},
      {"an event without DTSTART is dropped, one without SUMMARY kept",
       "UTC",
       wrap(event("UID:j1\r\nSUMMARY:No start\r\n") +
            event("UID:j2\r\nDTSTART:20260301T100000Z\r\n")),
       "2026-03-01T00:00:00Z",
       "2026-03-02T00:00:00Z",
       {"2026-03-01T10:00:00Z/2026-03-01T10:00:00Z -"}},
      {"an UNTIL rule ends",
       "UTC",
       wrap(event("UID:k\r\nDTSTART:20260301T100000Z\r\nRRULE:FREQ=DAILY;UNTIL="
                  "20260303T100000Z\r\nSUMMARY:Until\r\n")),
       "2026-01-01T00:00:00Z",
       "2027-01-01T00:00:00Z",
       {"2026-03-01T10:00:00Z/2026-03-01T10:00:00Z Until",
        "2026-03-02T10:00:00Z/2026-03-02T10:00:00Z Until",
        "2026-03-03T10:00:00Z/2026-03-03T10:00:00Z Until"}},
      {"a custom zone keeps its summer and winter time in far years",
       "UTC",
       wrap(outlookZone +
            event("UID:l1\r\nDTSTART;TZID=W. Europe Standard Time:99990701T090000\r\n"
                  "SUMMARY:Summer\r\n") +
            event("UID:l2\r\nDTSTART;TZID=W. Europe Standard Time:99990115T090000\r\n"
                  "SUMMARY:Winter\r\n")),
       "9999-01-01T00:00:00Z",
       "9999-12-31T00:00:00Z",
       {"9999-01-15T08:00:00Z/9999-01-15T08:00:00Z Winter",
        "9999-07-01T07:00:00Z/9999-07-01T07:00:00Z Summer"}},
      {"a system zone too",
       "UTC",
       wrap(event("UID:m\r\nDTSTART;TZID=Europe/Berlin:30000701T090000\r\nRRULE:FREQ=MONTHLY;"
                  "BYDAY=1SA;COUNT=2\r\nSUMMARY:Far\r\n")),
       "3000-07-01T00:00:00Z",
       "3000-09-01T00:00:00Z",
       {"3000-07-01T07:00:00Z/3000-07-01T07:00:00Z Far",
        "3000-07-05T07:00:00Z/3000-07-05T07:00:00Z Far",
        "3000-08-02T07:00:00Z/3000-08-02T07:00:00Z Far"}},
      {"not iCalendar at all",
       "UTC",
       "hello\r\nworld",
       "2026-01-01T00:00:00Z",
       "2027-01-01T00:00:00Z",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalZone zone(c.localZone);
    auto item = parseItem(c.ics);
    EXPECT_EQ(listing(*item, c.from, c.to), c.expected);
  }
}

// Walks far from DTSTART start near the range; they must keep the rule's
// phase exactly as a walk from DTSTART would.
TEST(CalendarItem, OldRepeatingEventsKeepTheirPhase) {
  LocalZone zone("UTC");
  struct Rule {
    const char* rule;
    std::function<bool(std::int64_t day)> matches;  // days since 2015-01-01 (a Thursday)
  };
  const std::vector<Rule> rules = {
      {"FREQ=DAILY;INTERVAL=3", [](std::int64_t d) { return d % 3 == 0; }},
      {"FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,TH",
       [](std::int64_t d) { return (d % 14 == 0) || (d % 14 == 11); }},
      {"FREQ=DAILY", [](std::int64_t) { return true; }},
  };
  const std::int64_t origin = at("2015-01-01T08:00:00Z");
  for (const Rule& rule : rules) {
    SCOPED_TRACE(rule.rule);
    auto item = parseItem(wrap(event(std::string("UID:p\r\nDTSTART:20150101T080000Z\r\nRRULE:") +
                                     rule.rule + "\r\nSUMMARY:Old\r\n")));
    std::vector<Occurrence> found;
    occurrences(*item, at("2026-03-01T00:00:00Z"), at("2026-04-01T00:00:00Z"), found);
    std::vector<std::int64_t> expected;
    for (std::int64_t t = at("2026-03-01T08:00:00Z"); t < at("2026-04-01T00:00:00Z"); t += 86400) {
      if (rule.matches((t - origin) / 86400))
        expected.push_back(t);
    }
    std::vector<std::int64_t> starts;
    for (const Occurrence& occurrence : found)
      starts.push_back(occurrence.span.start);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, expected);
  }
}

TEST(CalendarItem, OldRulesShorterThanADayKeepTheirGrid) {
  LocalZone zone("UTC");
  struct Rule {
    const char* rule;
    std::int64_t period;
  };
  for (const Rule& rule : std::vector<Rule>{{"FREQ=HOURLY;INTERVAL=25", 25 * 3600},
                                            {"FREQ=MINUTELY;INTERVAL=997", 997 * 60},
                                            {"FREQ=SECONDLY;INTERVAL=30011", 30011}}) {
    SCOPED_TRACE(rule.rule);
    auto item = parseItem(wrap(
        event(std::string("UID:p\r\nDTSTART:20150101T080000Z\r\nRRULE:") + rule.rule + "\r\n")));
    std::vector<Occurrence> found;
    const std::int64_t from = at("2026-03-01T00:00:00Z");
    const std::int64_t to = at("2026-03-08T00:00:00Z");
    occurrences(*item, from, to, found);
    std::vector<std::int64_t> starts;
    for (const Occurrence& occurrence : found)
      starts.push_back(occurrence.span.start);
    std::sort(starts.begin(), starts.end());
    const std::int64_t origin = at("2015-01-01T08:00:00Z");
    std::vector<std::int64_t> expected;
    for (std::int64_t t = origin + (from - origin + rule.period - 1) / rule.period * rule.period;
         t < to; t += rule.period)
      expected.push_back(t);
    EXPECT_EQ(starts, expected);
  }
}

TEST(CalendarItem, RealFileWithDailyAndWeeklyRulesAndExdates) {
  LocalZone zone("UTC");
  auto item = parseItem(sample("recurrence.ics"));
  ASSERT_EQ(item->events.size(), 2u);
  // Daily COUNT=100 from 1996-04-01 01:00, three of them excluded.
  auto daily = listing(*item, "1996-01-01T00:00:00Z", "1997-01-01T00:00:00Z");
  ASSERT_EQ(daily.size(), 97u);
  EXPECT_EQ(daily.front(),
            "1996-04-01T01:00:00Z/1996-04-01T02:00:00Z A recurring event with exdates");
  EXPECT_EQ(daily[1].substr(0, 20), "1996-04-05T01:00:00Z");
  EXPECT_EQ(daily.back().substr(0, 20), "1996-07-09T01:00:00Z");
  // Weekly on Tuesdays 10:00 Vienna (CEST) until July 3, five excluded.
  auto weekly = listing(*item, "2012-01-01T00:00:00Z", "2013-01-01T00:00:00Z");
  const std::vector<std::string> days = {"03-27", "04-24", "05-08", "05-15", "05-22",
                                         "06-05", "06-12", "06-19", "06-26", "07-03"};
  ASSERT_EQ(weekly.size(), days.size());
  for (std::size_t i = 0; i < days.size(); ++i)
    EXPECT_EQ(weekly[i].substr(0, 41),
              "2012-" + days[i] + "T08:00:00Z/2012-" + days[i] + "T16:00:00Z");
}

TEST(CalendarItem, RealFileCutShortWithYearlyAllDayEvent) {
  LocalZone zone("America/Chicago");
  auto item = parseItem(sample("exdate.ics"));
  ASSERT_EQ(item->events.size(), 1u);
  EXPECT_TRUE(item->events[0].allDay);
  EXPECT_EQ(
      listing(*item, "2002-01-01T00:00:00Z", "2005-12-31T00:00:00Z"),
      (std::vector<std::string>{"2002-04-28T05:00:00Z/2002-04-29T05:00:00Z (1961) Little Joe 5B",
                                "2004-04-28T05:00:00Z/2004-04-29T05:00:00Z (1961) Little Joe 5B",
                                "2005-04-28T05:00:00Z/2005-04-29T05:00:00Z (1961) Little Joe 5B"}));
}

TEST(CalendarItem, RealFileWithCustomZoneName) {
  LocalZone zone("Europe/Paris");
  auto item = parseItem(sample("america_new_york.ics"));
  EXPECT_EQ(listing(*item, "2014-08-29T00:00:00Z", "2014-08-30T00:00:00Z"),
            std::vector<std::string>{
                "2014-08-29T12:00:00Z/2014-08-29T12:00:00Z an event with a custom tz name"});
}

// Whether `work` ends within `limit`, run in a child process that is killed
// otherwise: a guard against endless work, not a measure of speed.
bool endsWithin(std::chrono::seconds limit, const std::function<void()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    work();
    ::_exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string repeated(int times, const std::function<std::string(int)>& piece) {
  std::string text;
  for (int i = 0; i < times; ++i)
    text += piece(i);
  return text;
}

// The `minute`-th minute of March 2026, as an iCalendar UTC date-time.
std::string minuteOf(int minute) {
  char text[32];
  std::snprintf(text, sizeof text, "202603%02dT%02d%02d00Z", 1 + minute / 1440, minute % 1440 / 60,
                minute % 60);
  return text;
}

// Items built to make the expansion of zones and rules endless, each read
// and listed over a month: every one must end, and soon.
// libical recurses into nested components: items nested past any real
// calendar's depth are skipped before it sees them.
TEST(CalendarItem, DeeplyNestedItemsAreSkipped) {
  const auto nested = [](int depth, const std::string& inner) {
    std::string text;
    for (int i = 0; i < depth; ++i)
      text += "BEGIN:X\r\n";
    text += inner;
    for (int i = 0; i < depth; ++i)
      text += "END:X\r\n";
    return text;
  };
  const std::string one = event("UID:a\r\nDTSTART:20260310T090000Z\r\nSUMMARY:A\r\n");
  EXPECT_EQ(calendar_text::deepestNesting(wrap(one)), 2u);
  EXPECT_EQ(calendar_text::deepestNesting("BEGIN:A\nEND:A\nBEGIN:B\n BEGIN:C\nBEGIN:D\n"), 2u);
  EXPECT_EQ(calendar_text::deepestNesting("begin;x=y:A\nBEG\n IN:B\nEND:B\nEND:A\n"), 2u);
  EXPECT_EQ(parseItem(wrap(one))->events.size(), 1u);
  EXPECT_EQ(parseItem(wrap(one + nested(maxNesting - 2, "")))->events.size(), 1u);
  EXPECT_TRUE(parseItem(wrap(one + nested(maxNesting, "")))->events.empty());
  EXPECT_TRUE(parseItem(nested(520000, wrap(one)))->events.empty());
  std::string opened = wrap(one);
  for (int i = 0; i < 300000; ++i)
    opened += "BEGIN:VEVENT\r\n";
  EXPECT_TRUE(parseItem(opened)->events.empty());
}

TEST(CalendarItem, HostileItemsAreReadWithinBounds) {
  LocalZone zone("UTC");
  const std::string& everySecond = calendar_test_zones::everySecond;
  const std::string dense =
      "BEGIN:VTIMEZONE\r\nTZID:Dense\r\n" +
      repeated(20000,
               [](int) {
                 return std::string(
                     "BEGIN:STANDARD\r\nDTSTART:00010101T000000\r\nTZOFFSETFROM:+0100\r\n"
                     "TZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;BYMONTH=1,2,3,4\r\n"
                     "END:STANDARD\r\n");
               }) +
      "END:VTIMEZONE\r\n";
  const struct {
    const char* name;
    std::string ics;
  } cases[] = {
      {"an observance every second from 1601",
       wrap(everySecond + event("UID:a\r\nDTSTART;TZID=Hostile:20260310T090000\r\nSUMMARY:A\r\n"))},
      {"twenty thousand observances",
       wrap(dense + event("UID:b\r\nDTSTART;TZID=Dense:20260310T090000\r\nSUMMARY:B\r\n"))},
      {"thousands of events past the last year of zone offsets",
       wrap(repeated(2000,
                     [](int i) {
                       return event("UID:c" + std::to_string(i) +
                                    "\r\nDTSTART;TZID=Europe/Berlin:" + std::to_string(9999 - i) +
                                    "0301T090000\r\nSUMMARY:C\r\n");
                     }))},
      {"events in every later year of a custom zone",
       wrap(outlookZone + repeated(560,
                                   [](int i) {
                                     return event("UID:d" + std::to_string(i) +
                                                  "\r\nDTSTART;TZID=W. Europe Standard Time:" +
                                                  std::to_string(2030 + i) +
                                                  "0301T090000\r\nSUMMARY:D\r\n");
                                   }))},
      {"rules that never match, searched second by second or day by day",
       wrap(repeated(300,
                     [](int i) {
                       return event("UID:e" + std::to_string(i) +
                                    "\r\nDTSTART:00010301T100000Z\r\nRRULE:" +
                                    (i % 3 == 0   ? "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30"
                                     : i % 3 == 1 ? "FREQ=DAILY;COUNT=9;BYMONTH=2;BYMONTHDAY=30"
                                                  : "FREQ=MONTHLY;BYMONTHDAY=31;BYDAY=2MO") +
                                    "\r\nSUMMARY:E\r\n");
                     }))},
      {"a zone name of many slashes",
       wrap(event("UID:f\r\nDTSTART;TZID=" + std::string(200000, '/') +
                  "x:20260310T090000\r\nSUMMARY:F\r\n"))},
      {"many exclusions and exceptions",
       wrap(event("UID:g\r\nDTSTART:20260301T000000Z\r\nRRULE:FREQ=MINUTELY\r\n" +
                  repeated(100000, [](int i) { return "EXDATE:" + minuteOf(i % 40000) + "\r\n"; }) +
                  "SUMMARY:G\r\n") +
            repeated(20000,
                     [](int i) {
                       return event("UID:g\r\nRECURRENCE-ID:" + minuteOf(i) +
                                    "\r\nDTSTART:20260601T000000Z\r\nSUMMARY:G\r\n");
                     }))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(endsWithin(std::chrono::seconds(30), [&] {
      auto item = parseItem(c.ics);
      std::vector<Occurrence> found;
      occurrences(*item, at("2026-03-01T00:00:00Z"), at("2026-04-01T00:00:00Z"), found);
      for (std::size_t i = 0; i < item->events.size() && i < 10; ++i) {
        const std::int64_t start = item->events[i].startSeconds;
        occurrences(*item, start - 86400, start + 86400, found);
      }
    }));
  }
  // Read as far as the bound allows: the event in the hostile zone is still
  // there, once, within a few days of its wall-clock time.
  auto item = parseItem(cases[0].ics);
  std::vector<Occurrence> found;
  occurrences(*item, at("2026-03-05T00:00:00Z"), at("2026-03-16T00:00:00Z"), found);
  ASSERT_EQ(found.size(), 1u);
}

TEST(CalendarTime, ZoneNamesThatCannotBeZonesAreNotLookedUp) {
  for (const char* name : {"", "../../etc/passwd", "/etc/localtime", "Europe/../../x", "a b"})
    EXPECT_EQ(calendar_time::systemZone(name), nullptr) << name;
  EXPECT_NE(calendar_time::systemZone("Europe/Berlin"), nullptr);
}

}  // namespace
}  // namespace vell::calendar_item
