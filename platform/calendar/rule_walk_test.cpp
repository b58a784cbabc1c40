#include "platform/calendar/rule_walk.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vell::calendar_rule {
namespace {

WallTime wall(const char* text) {
  WallTime t;
  std::sscanf(text, "%4d%2d%2dT%2d%2d%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
              &t.second);
  return t;
}

std::string text(const WallTime& t) {
  char out[32];
  std::snprintf(out, sizeof out, "%04d%02d%02dT%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return out;
}

// The first `limit` occurrences of `rule` from `start`, walked from `from`.
std::vector<std::string> occurrences(const char* rule, const char* start, std::size_t limit,
                                     const char* from = nullptr) {
  icalrecurrencetype parsed = icalrecurrencetype_from_string(rule);
  auto general = generalRule(parsed);
  EXPECT_TRUE(general) << rule;
  std::vector<std::string> found;
  if (!general)
    return found;
  std::int64_t budget = 1000000;
  walk(*general, wall(start), wall(from ? from : start), budget, [&](const WallTime& t) {
    found.push_back(text(t));
    return found.size() < limit;
  });
  return found;
}

struct Case {
  const char* rule;
  const char* start;
  std::vector<std::string> expected;
  const char* from = nullptr;
};

// The worked examples of RFC 5545 (section 3.8.5.3) for the rules the
// simple walk leaves to this one, and a few of our own.
TEST(RuleWalk, StandardExamples) {
  const Case cases[] = {
      {"FREQ=MONTHLY;COUNT=10;BYMONTHDAY=1,-1",
       "19970930T090000",
       {"19970930T090000", "19971001T090000", "19971031T090000", "19971101T090000",
        "19971130T090000", "19971201T090000", "19971231T090000", "19980101T090000",
        "19980131T090000", "19980201T090000"}},
      {"FREQ=MONTHLY;COUNT=10;BYDAY=1FR",
       "19970905T090000",
       {"19970905T090000", "19971003T090000", "19971107T090000", "19971205T090000",
        "19980102T090000", "19980206T090000", "19980306T090000", "19980403T090000",
        "19980501T090000", "19980605T090000"}},
      {"FREQ=MONTHLY;INTERVAL=2;COUNT=10;BYDAY=1SU,-1SU",
       "19970907T090000",
       {"19970907T090000", "19970928T090000", "19971102T090000", "19971130T090000",
        "19980104T090000", "19980125T090000", "19980301T090000", "19980329T090000",
        "19980503T090000", "19980531T090000"}},
      {"FREQ=MONTHLY;COUNT=6;BYDAY=-2MO",
       "19970922T090000",
       {"19970922T090000", "19971020T090000", "19971117T090000", "19971222T090000",
        "19980119T090000", "19980216T090000"}},
      {"FREQ=MONTHLY;BYMONTHDAY=-3",
       "19970928T090000",
       {"19970928T090000", "19971029T090000", "19971128T090000", "19971229T090000",
        "19980129T090000", "19980226T090000"}},
      {"FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13",
       "19970902T090000",
       {"19980213T090000", "19980313T090000", "19981113T090000", "19990813T090000",
        "20001013T090000"}},
      {"FREQ=MONTHLY;BYDAY=SA;BYMONTHDAY=7,8,9,10,11,12,13",
       "19970913T090000",
       {"19970913T090000", "19971011T090000", "19971108T090000", "19971213T090000",
        "19980110T090000", "19980207T090000", "19980307T090000"}},
      {"FREQ=MONTHLY;COUNT=3;BYDAY=TU,WE,TH;BYSETPOS=3",
       "19970904T090000",
       {"19970904T090000", "19971007T090000", "19971106T090000"}},
      {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2",
       "19970929T090000",
       {"19970929T090000", "19971030T090000", "19971127T090000", "19971230T090000",
        "19980129T090000", "19980226T090000", "19980330T090000"}},
      {"FREQ=YEARLY;BYDAY=20MO",
       "19970519T090000",
       {"19970519T090000", "19980518T090000", "19990517T090000"}},
      {"FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO",
       "19970512T090000",
       {"19970512T090000", "19980511T090000", "19990517T090000"}},
      {"FREQ=YEARLY;BYMONTH=3;BYDAY=TH",
       "19970313T090000",
       {"19970313T090000", "19970320T090000", "19970327T090000", "19980305T090000",
        "19980312T090000", "19980319T090000", "19980326T090000"}},
      {"FREQ=YEARLY;INTERVAL=3;COUNT=10;BYYEARDAY=1,100,200",
       "19970101T090000",
       {"19970101T090000", "19970410T090000", "19970719T090000", "20000101T090000",
        "20000409T090000", "20000718T090000", "20030101T090000", "20030410T090000",
        "20030719T090000", "20060101T090000"}},
      {"FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8",
       "19961105T090000",
       {"19961105T090000", "20001107T090000", "20041102T090000"}},
      {"FREQ=YEARLY;BYMONTH=1;BYDAY=SU,MO,TU,WE,TH,FR,SA",
       "19980101T090000",
       {"19980101T090000", "19980102T090000", "19980103T090000"}},
      {"FREQ=DAILY;BYMONTH=1",
       "19980130T090000",
       {"19980130T090000", "19980131T090000", "19990101T090000"}},
      {"FREQ=HOURLY;INTERVAL=3;COUNT=3",
       "19970902T090000",
       {"19970902T090000", "19970902T120000", "19970902T150000"}},
      {"FREQ=MINUTELY;INTERVAL=15;COUNT=6",
       "19970902T090000",
       {"19970902T090000", "19970902T091500", "19970902T093000", "19970902T094500",
        "19970902T100000", "19970902T101500"}},
      {"FREQ=MINUTELY;INTERVAL=20;BYHOUR=9,10,11,12,13,14,15,16",
       "19970902T164000",
       {"19970902T164000", "19970903T090000", "19970903T092000"}},
      {"FREQ=DAILY;BYHOUR=9,10,11,12,13,14,15,16;BYMINUTE=0,20,40",
       "19970902T164000",
       {"19970902T164000", "19970903T090000", "19970903T092000"}},
      // Walked from a later point, the grid of DTSTART is kept.
      {"FREQ=DAILY;INTERVAL=3;BYMONTH=3",
       "20150101T080000",
       {"20260301T080000", "20260304T080000"},
       "20260301T000000"},
      {"FREQ=MINUTELY;INTERVAL=997;BYHOUR=9,10",
       "20150101T080000",
       {"20260304T100100"},
       "20260301T000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(occurrences(c.rule, c.start, c.expected.size(), c.from), c.expected);
  }
}

// Rules that (almost) never match end within their budget, however long
// they would search; rules that cannot match anything are not walked.
TEST(RuleWalk, RulesThatNeverMatchEndWithinTheirBudget) {
  for (const char* rule :
       {"FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=SECONDLY;INTERVAL=2;BYSECOND=1",
        "FREQ=MINUTELY;BYYEARDAY=366;BYMONTH=1", "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=MONTHLY;BYMONTHDAY=31;BYDAY=2MO", "FREQ=WEEKLY;BYMONTH=2;BYDAY=MO;BYSETPOS=9",
        "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO;BYSETPOS=2"}) {
    SCOPED_TRACE(rule);
    auto general = generalRule(icalrecurrencetype_from_string(rule));
    ASSERT_TRUE(general);
    std::int64_t budget = 100000;
    int visits = 0;
    walk(*general, wall("00010101T000000"), wall("00010101T000000"), budget,
         [&](const WallTime&) { return ++visits < 1000; });
    EXPECT_LT(visits, 1000);
    EXPECT_GT(budget, -100000);  // overdrawn by at most one period's worth
  }
  for (const char* rule :
       {"FREQ=DAILY;BYHOUR=25", "FREQ=YEARLY;BYMONTH=13",
        "FREQ=YEARLY;BYDAY=MO,TU,WE,TH,FR,SA,SU;BYHOUR=0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,"
        "17,18,19,20,21,22,23;BYMINUTE=0,30"})
    EXPECT_FALSE(generalRule(icalrecurrencetype_from_string(rule))) << rule;
}

}  // namespace
}  // namespace vell::calendar_rule
