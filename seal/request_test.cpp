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
      {R"({"op":"p)"
       "\xff"
       R"("})",
       false},                                          // invalid UTF-8 in a string
      {std::string("{\"op\":\"pi\0ng\"}", 14), false},  // a raw NUL in a string
      {R"({'op':'ping'})", false},
      {"\xEF\xBB\xBF{}", true},  // a byte order mark
      {R"({"a":"\ud83d\ude00"})", true},
      {R"({"a":"\ud83d"})", false},  // lone surrogates
      {R"({"a":"\ude00"})", false},
      {"{\"a\":\"\xed\xa0\x80\"}", false},      // an encoded surrogate
      {"{\"a\":\"\xc0\xaf\"}", false},          // an overlong form
      {"{\"a\":\"\xf4\x90\x80\x80\"}", false},  // beyond U+10FFFF
      {"{\"a\":\"\xe2\x80\x99\"}", true},
      {"{\"a\":\"tab\there\"}", false},  // raw control character
      {R"({"a":-0.5e+3,"b":0,"c":1E-400})", true},
      {R"({"a":01})", false},
      {R"({"a":1.})", false},
      {R"({"a":.5})", false},
      {R"({"a":1e400})", false},
      {R"({"a":+1})", false},
      {R"({"a":[1,]})", false},
      {R"({"a":{"b"}})", false},
      {R"({"a":{"b":1,}})", false},
      {R"({"a":[[],{},[{"x":[true,false,null]}]]})", true},
      {R"({"a":1,})", false},
      {R"({,})", false},
      {R"({"a" 1})", false},
      {R"({"a":tru})", false},
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
  request = readRequest(R"({"s":"a\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00z"})");
  ASSERT_TRUE(request);
  EXPECT_EQ(std::string((*request)["s"].get<SecretString>()),
            "a\"\\/\b\f\n\r\t\xc3\xa9\xf0\x9f\x98\x80z");
}

TEST(ReadRequest, SurvivesDeepNesting) {
  std::string deep =
      R"({"op":"ping","x":)" + std::string(1 << 20, '[') + std::string(1 << 20, ']') + "}";
  auto request = readRequest(deep);
  ASSERT_TRUE(request);
  EXPECT_EQ((*request)["op"], "ping");
  EXPECT_FALSE(readRequest(std::string(1 << 20, '{')));
}

}  // namespace vell::seal
