#include "place/options.hpp"

#include <gtest/gtest.h>

namespace vell::place {
namespace {

TEST(ScanOptions, FirstOccurrencesOnlyInTheirOrder) {
  using Args = std::vector<std::string>;
  struct Case {
    Args args;
    bool prints;
    std::string ocr;
    int width;
    Args rest;
  };
  const Case cases[] = {
      {{}, false, "auto", 2, {}},
      {{"list.txt"}, false, "auto", 2, {"list.txt"}},
      {{"--prints"}, true, "auto", 2, {}},
      {{"--prints", "--prints", "list.txt"}, true, "auto", 2, {"--prints", "list.txt"}},
      {{"list.txt", "--ocr"}, false, "auto", 2, {"list.txt", "--ocr"}},
      {{"--ocr", "--width", "3", "list.txt"}, false, "--width", 2, {"3", "list.txt"}},
      {{"list.txt", "--ocr", "never", "--prints", "x"}, true, "never", 2, {"list.txt", "x"}},
      {{"--ocr", "always", "--ocr", "never", "l"}, false, "always", 2, {"--ocr", "never", "l"}},
      {{"--width", "0", "l"}, false, "auto", 1, {"l"}},
      {{"--width", "-7", "l"}, false, "auto", 1, {"l"}},
      {{"--width", "12", "l"}, false, "auto", 4, {"l"}},
      {{"--width", "abc", "l"}, false, "auto", 2, {"l"}},
      {{"--width", "+3", "l"}, false, "auto", 3, {"l"}},
      {{"--width", " 3", "l"}, false, "auto", 2, {"l"}},
      {{"--width", "99999999999999999999", "l"}, false, "auto", 2, {"l"}},
      {{"--width", "-9223372036854775808", "l"}, false, "auto", 1, {"l"}},
      {{"l", "--width"}, false, "auto", 2, {"l", "--width"}},
      {{"--Prints", "l"}, false, "auto", 2, {"--Prints", "l"}},
      // --prints goes first, so --width then takes "l" as its (unreadable) value.
      {{"--width", "--prints", "l"}, true, "auto", 2, {}},
  };
  for (const auto& c : cases) {
    Args args = c.args;
    Settings settings = scanOptions(args);
    std::string shown;
    for (const auto& arg : c.args)
      shown += arg + " ";
    EXPECT_EQ(settings.prints, c.prints) << shown;
    EXPECT_EQ(settings.ocr, c.ocr) << shown;
    EXPECT_EQ(settings.width, c.width) << shown;
    EXPECT_EQ(args, c.rest) << shown;
  }
}

}  // namespace
}  // namespace vell::place
