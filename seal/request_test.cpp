#include "seal/request.hpp"

#include <gtest/gtest.h>

namespace vell::seal {

TEST(ReadRequest, TakesOnlyAnObjectWithNothingAfterIt) {
  struct Case {
    std::string line;
    bool accepted;
  } cases[] = {
      {R"({"op":"ping"})", true},
      {R"(  {"op":"ping"}  )", true},
      {"\t{}\r", true},
      {"{}", true},
      {"", false},
      {"   ", false},
      {"[1,2]", false},
      {"1", false},
      {R"("ping")", false},
      {"null", false},
      {R"({"op":"ping"} x)", false},
      {R"({"op":"ping"}{})", false},
      {R"({"op":"ping")", false},
      {R"({"op":"p)" "\xff" R"("})", false},       // invalid UTF-8 in a string
      {std::string("{\"op\":\"pi\0ng\"}", 14), false},  // a raw NUL in a string
      {R"({'op':'ping'})", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(readRequest(c.line).has_value(), c.accepted) << c.line;
}

TEST(ReadRequest, KeepsTopLevelMembersAndFlattensNesting) {
  auto request = readRequest(R"({"op":"seal","n":[1,{"a":2}],"o":{"x":[]},"b":true,"op":"open"})");
  ASSERT_TRUE(request);
  EXPECT_EQ((*request)["op"], "open");  // the last of duplicate names counts
  EXPECT_TRUE((*request)["n"].is_array());
  EXPECT_TRUE((*request)["o"].is_object());
  EXPECT_EQ((*request)["b"], true);
}

TEST(ReadRequest, SurvivesDeepNesting) {
  std::string deep = R"({"op":"ping","x":)" + std::string(1 << 20, '[') + std::string(1 << 20, ']') + "}";
  auto request = readRequest(deep);
  ASSERT_TRUE(request);
  EXPECT_EQ((*request)["op"], "ping");
  EXPECT_FALSE(readRequest(std::string(1 << 20, '{')));
}

}  // namespace vell::seal
