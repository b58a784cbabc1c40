#include "place/record.hpp"

#include <gtest/gtest.h>

namespace vell::place {
namespace {

TEST(Serialise, CompactUtf8LinesThatReadBack) {
  struct Case {
    std::string key;
    std::string line;
  };
  const Case cases[] = {
      {"plain", R"({"k":"plain","w":4})"},
      {"quote\"tab\t", R"({"k":"quote\"tab\t","w":4})"},
      {"caf\xC3\xA9 \xE2\x9C\x93", "{\"k\":\"caf\xC3\xA9 \xE2\x9C\x93\",\"w\":4}"},
      {"dir/file.jpg", R"({"k":"dir/file.jpg","w":4})"},
      {"line\nbreak\x01", R"({"k":"line\nbreak\u0001","w":4})"},
  };
  for (const auto& c : cases) {
    Record record;
    record["k"] = c.key;
    record["w"] = 4;
    auto line = serialise(record);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, c.line);
    EXPECT_EQ(Record::parse(*line)["k"], c.key);
  }
}

TEST(Serialise, NumbersAndRefusals) {
  Record record;
  record["tc"] = 1.0;
  record["sh"] = 625.0;
  record["a"] = 0.1;
  record["f"] = 2;
  EXPECT_EQ(*serialise(record), R"({"tc":1.0,"sh":625.0,"a":0.1,"f":2})");
  Record broken;
  broken["k"] = std::string("\xFF\xFE");
  EXPECT_FALSE(serialise(broken));
}

}  // namespace
}  // namespace vell::place
