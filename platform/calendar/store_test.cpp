#include "platform/calendar/store.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "common/test_folder.hpp"
#include "platform/calendar/item_cache.hpp"

namespace vell {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string item(const std::string& uid, const std::string& start, const std::string& summary) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTART:" + start +
         "\r\nDURATION:PT1H\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

constexpr double march1 = 1772323200;  // 2026-03-01T00:00:00Z

class CalendarStoreTest : public ::testing::Test {
 protected:
  TestFolder folder;
  fs::path root = folder.path() / "calendars";
};

TEST_F(CalendarStoreTest, AuthorizationFollowsTheRootFolder) {
  CalendarStore store(root);
  EXPECT_EQ(store.authorizationStatus(), CalendarAuthorization::notDetermined);
  write(root, "not a folder");
  EXPECT_EQ(store.authorizationStatus(), CalendarAuthorization::denied);
  fs::remove(root);

  // The request makes the root, 0700 whatever the mask.
  const mode_t mask = ::umask(0);
  bool granted = false;
  store.requestFullAccess([&](bool answer) { granted = answer; });
  ::umask(mask);
  EXPECT_TRUE(granted);
  struct stat status {};
  ASSERT_EQ(::stat(root.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  EXPECT_EQ(store.authorizationStatus(), CalendarAuthorization::fullAccess);
}

TEST_F(CalendarStoreTest, CalendarsWithTitlesAccountsAndSubscriptions) {
  write(root / "work" / "displayname", "Office\n");
  write(root / "work" / "team" / "displayname", "Team / Ops");
  write(root / "work" / "holidays" / "subscription", "https://example.org/holidays.ics");
  write(root / "personal" / "main" / "a.ics", item("a", "20260301T100000Z", "A"));
  write(root / "personal" / ".hidden" / "displayname", "Hidden");
  write(root / "personal" / "notacalendar.ics", "");
  CalendarStore store(root);
  auto calendars = store.calendars();
  ASSERT_EQ(calendars.size(), 3u);
  EXPECT_EQ(calendars[0].calendarIdentifier, "personal/main");
  EXPECT_EQ(calendars[0].title, std::nullopt);
  EXPECT_EQ(calendars[0].sourceTitle, "personal");
  EXPECT_TRUE(calendars[0].allowsContentModifications);
  EXPECT_FALSE(calendars[0].isSubscribed);
  EXPECT_EQ(calendars[1].calendarIdentifier, "work/holidays");
  EXPECT_TRUE(calendars[1].isSubscribed);
  EXPECT_EQ(calendars[1].sourceTitle, "Office");
  EXPECT_EQ(calendars[2].calendarIdentifier, "work/team");
  EXPECT_EQ(calendars[2].title, "Team / Ops");
}

TEST_F(CalendarStoreTest, ItemsAreParsedOnceUntilTheyChange) {
  write(root / "a" / "c" / "one.ics", item("one", "20260301T100000Z", "One"));
  write(root / "a" / "c" / "two.ics", item("two", "20260302T100000Z", "Two"));
  write(root / "a" / "c" / ".two.ics.x1.tmp", item("tmp", "20260302T100000Z", "Half written"));
  write(root / "a" / "c" / "notes.txt", item("txt", "20260302T100000Z", "Not an item"));
  fs::create_symlink(root / "a" / "c" / "one.ics", root / "a" / "c" / "link.ics");
  CalendarStore store(root);
  auto calendars = store.calendars();
  ASSERT_EQ(calendars.size(), 1u);
  auto titles = [&] {
    std::vector<std::string> found;
    for (const CalendarEvent& event : store.events(march1, march1 + 7 * 86400, calendars))
      found.push_back(event.title.value_or("-"));
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(titles(), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(titles(), (std::vector<std::string>{"One", "Two"}));

  write(root / "a" / "c" / "two.ics", item("two", "20260302T100000Z", "Two, renamed"));
  fs::remove(root / "a" / "c" / "one.ics");
  EXPECT_EQ(titles(), std::vector<std::string>{"Two, renamed"});
}

TEST_F(CalendarStoreTest, SavedEventsAreItemsFoundAtOnce) {
  fs::create_directories(root / "a" / "c");
  CalendarStore store(root);
  auto calendars = store.calendars();
  ASSERT_EQ(calendars.size(), 1u);
  auto id = store.save(calendars[0], "Lunch, with \"friends\"; 😀\nsecond line", march1 + 43200.7,
                       march1 + 46800);
  ASSERT_TRUE(id) << id.error().text;
  EXPECT_EQ(id->size(), 36u);
  struct stat status {};
  ASSERT_EQ(::stat((root / "a" / "c" / (*id + ".ics")).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  auto events = store.events(march1, march1 + 86400, calendars);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].eventIdentifier, *id);
  EXPECT_EQ(events[0].title, "Lunch, with \"friends\"; 😀\nsecond line");
  EXPECT_EQ(events[0].startDate, static_cast<std::int64_t>(march1) + 43200);
  EXPECT_EQ(events[0].endDate, static_cast<std::int64_t>(march1) + 46800);
  EXPECT_FALSE(events[0].isAllDay);
  EXPECT_EQ(events[0].calendarIdentifier, "a/c");

  struct Refused {
    std::string title;
    double start;
    double end;
  };
  for (const Refused& refused : std::vector<Refused>{{std::string("a\0b", 3), march1, march1 + 60},
                                                     {"far", 1e15, 1e15 + 60},
                                                     {"backwards", march1 + 60, march1}})
    EXPECT_FALSE(store.save(calendars[0], refused.title, refused.start, refused.end))
        << refused.title;
  EXPECT_EQ(store.events(march1 - 86400, march1 + 86400 * 2, calendars).size(), 1u);
}

TEST_F(CalendarStoreTest, RangesBeyondWhatItemsHoldFindNothing) {
  write(root / "a" / "c" / "one.ics", item("one", "20260301T100000Z", "One"));
  CalendarStore store(root);
  auto calendars = store.calendars();
  for (auto [start, end] : std::vector<std::pair<double, double>>{
           {1e300, 1e300 + 1e290}, {-1e300, -1e299}, {march1 + 86400, march1}})
    EXPECT_TRUE(store.events(start, end, calendars).empty());
}

}  // namespace
}  // namespace vell

namespace vell {
namespace {

const auto never = [] { return false; };

TEST(ItemCache, ParsesEachFileOnceUntilItChanges) {
  TestFolder folder;
  const fs::path calendar = folder.path() / "c";
  write(calendar / "one.ics", item("one", "20260301T100000Z", "One"));
  write(calendar / "two.ics", item("two", "20260302T100000Z", "Two"));
  ItemCache cache;
  EXPECT_EQ(cache.items(calendar, never)->size(), 2u);
  EXPECT_EQ(cache.parses(), 2);
  EXPECT_EQ(cache.items(calendar, never)->size(), 2u);
  EXPECT_EQ(cache.parses(), 2);

  // Same size, new modification time: parsed again.
  write(calendar / "two.ics", item("two", "20260302T100000Z", "Owt"));
  struct timespec times[2] = {{0, UTIME_OMIT}, {1800000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (calendar / "two.ics").c_str(), times, 0), 0);
  auto items = *cache.items(calendar, never);
  EXPECT_EQ(cache.parses(), 3);
  bool renamed = false;
  for (const auto& parsed : items)
    renamed |= parsed->events.at(0).summary == "Owt";
  EXPECT_TRUE(renamed);

  // A new file is parsed, a removed one forgotten.
  write(calendar / "three.ics", item("three", "20260303T100000Z", "Three"));
  fs::remove(calendar / "one.ics");
  EXPECT_EQ(cache.items(calendar, never)->size(), 2u);
  EXPECT_EQ(cache.parses(), 4);
  // A folder that is gone has no items.
  fs::remove_all(calendar);
  EXPECT_TRUE(cache.items(calendar, never)->empty());
}

// A listing asked to stop gives nothing, and keeps what it had read.
TEST(ItemCache, AnInterruptedReadingKeepsWhatItRead) {
  TestFolder folder;
  const fs::path calendar = folder.path() / "c";
  for (const char* name : {"a", "b", "c"})
    write(calendar / (std::string(name) + ".ics"), item(name, "20260301T100000Z", name));
  ItemCache cache;
  int asked = 0;
  EXPECT_FALSE(cache.items(calendar, [&] { return ++asked > 2; }));
  EXPECT_EQ(cache.parses(), 2);
  EXPECT_EQ(cache.items(calendar, never)->size(), 3u);
  EXPECT_EQ(cache.parses(), 3);
}

}  // namespace
}  // namespace vell
