#include "seal/request.hpp"

#include <gtest/gtest.h>

#include "seal/base64.hpp"

namespace vell::seal {

namespace {

bool accepted(std::string_view line) {
  Request request;
  return request.read(line);
}

std::string bytesOf(Request& request, Field field) {
  auto bytes = request.bytes(field);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "<nothing>";
}

std::string textOf(const Request& request, Field field) {
  auto text = request.text(field);
  return text ? std::string(*text) : "<nothing>";
}

}  // namespace

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
      {std::string("{\"op\":\"ping\"}\0", 14), false},
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
      {"{\"key\":\"AAAA\tAAAA\"}", false},
      {"{\"key\":\"AAAA\xff\"}", false},
      {R"({"key":"AAAA)", false},  // a base64 member cut off
      {R"({"key":"AAAA=)", false},
      {R"({"key":"AAAA\)", false},
      {R"({"a":-0.5e+3,"b":0,"c":1E-400})", true},
      {R"({"a":01})", false},
      {R"({"a":1.})", false},
      {R"({"a":.5})", false},
      {R"({"a":+1})", false},
      {R"({"a":1e})", false},
      {R"({"a":-})", false},
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
    EXPECT_EQ(accepted(c.line), c.accepted) << c.line;
}

// A number's value is never used, so any number JSON allows is read, out
// of a double's range or however long; it only counts as "not a string".
TEST(ReadRequest, NumbersOfAnySize) {
  for (std::string number : std::vector<std::string>{
           "1e309", "-1e309", "1e400", "1E-400", "123456789e999999999", std::string(100000, '9'),
           "-" + std::string(100000, '1') + ".5e-7"}) {
    Request request;
    std::string line = R"({"op":"ping","n":)" + number + R"(,"key":)" + number + "}";
    ASSERT_TRUE(request.read(line)) << number.substr(0, 20);
    EXPECT_EQ(textOf(request, Field::op), "ping");
    EXPECT_EQ(bytesOf(request, Field::key), "<nothing>");
  }
}

TEST(ReadRequest, KeepsTheMembersTheOperationsRead) {
  Request request;
  ASSERT_TRUE(request.read(
      R"({"op":"seal","n":[1,{"a":2}],"o":{"x":[]},"raw":true,"op":"open","key":"Zm9v","data":"-_8",)"
      R"("aad":"a\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00z","in":5,"\u006fut":"o"})"));
  EXPECT_EQ(textOf(request, Field::op), "open");  // the last of a repeated name counts
  EXPECT_TRUE(request.isTrue(Field::raw));
  EXPECT_EQ(bytesOf(request, Field::key), "foo");
  EXPECT_EQ(bytesOf(request, Field::data), "\xfb\xff");
  EXPECT_EQ(textOf(request, Field::aad), "a\"\\/\b\f\n\r\t\xc3\xa9\xf0\x9f\x98\x80z");
  EXPECT_EQ(textOf(request, Field::in), "<nothing>");  // not a string
  EXPECT_EQ(textOf(request, Field::out), "o");
  EXPECT_EQ(textOf(request, Field::info), "<nothing>");
  EXPECT_FALSE(request.isTrue(Field::op));

  // Only the literal true is true; a later value replaces an earlier one.
  ASSERT_TRUE(request.read(R"({"raw":true,"raw":"true","key":"Zm9v","key":null})"));
  EXPECT_FALSE(request.isTrue(Field::raw));
  EXPECT_EQ(bytesOf(request, Field::key), "<nothing>");
  EXPECT_EQ(textOf(request, Field::op), "<nothing>");  // nothing kept from the last line
}

// Escapes in base64 members are read before decoding; anything that is
// not base64 once read makes the member "not base64", not the line.
TEST(ReadRequest, Base64MembersAsTheirTextReads) {
  struct Case {
    std::string value;
    std::string bytes;
  } cases[] = {
      {R"("Zm9v")", "foo"},
      {R"("Zm9vYmFy\/\/\/\/")", "foobar\xff\xff\xff"},
      {R"("\u005a\u006d9v")", "foo"},
      {R"("Zg\u003d\u003d")", "f"},
      {R"("Zg=\u003d")", "f"},
      {R"("Zm9v\n")", "<nothing>"},
      {R"("Zm9v ")", "<nothing>"},
      {R"("Zm9v\u00e9")", "<nothing>"},
      {"\"Zm9v\xc3\xa9\"", "<nothing>"},
      {R"("Zg==Zg==")", "<nothing>"},
      {R"("Zm9v=")", "<nothing>"},
      {R"("")", ""},
      {"5", "<nothing>"},
      {"[\"Zm9v\"]", "<nothing>"},
  };
  for (const auto& c : cases) {
    Request request;
    ASSERT_TRUE(request.read(R"({"data":)" + c.value + "}")) << c.value;
    EXPECT_EQ(bytesOf(request, Field::data), c.bytes) << c.value;
  }
}

// The buffers are kept from line to line: a longer value than before grows
// them, a shorter one reads right, and a wipe leaves nothing behind.
TEST(ReadRequest, ReusesItsBuffersAndWipesThem) {
  Request request;
  for (size_t size : {10u, 100000u, 3u, 70000u, 0u, 1u}) {
    std::string plain(size, '\0');
    for (size_t i = 0; i < size; ++i)
      plain[i] = static_cast<char>(i * 7 + size);
    SecretString text = b64({reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size()});
    ASSERT_TRUE(request.read(R"({"data":")" + std::string(text) + R"(","key":"Zm9v"})"));
    EXPECT_EQ(bytesOf(request, Field::data), plain) << size;
    auto room = request.withRoom(Field::data);
    EXPECT_EQ(room.size(), size + kRoomBefore + kRoomAfter);
    auto key = *request.bytes(Field::key);
    request.wipe();
    EXPECT_EQ(std::count(room.begin(), room.end(), 0), static_cast<long>(room.size())) << size;
    EXPECT_EQ(std::count(key.begin(), key.end(), 0), 3);
    EXPECT_FALSE(request.bytes(Field::data));
  }
}

TEST(ReadRequest, SurvivesDeepNesting) {
  Request request;
  std::string deep =
      R"({"op":"ping","x":)" + std::string(1 << 20, '[') + std::string(1 << 20, ']') + "}";
  ASSERT_TRUE(request.read(deep));
  EXPECT_EQ(textOf(request, Field::op), "ping");
  EXPECT_FALSE(request.read(std::string(1 << 20, '{')));
}

}  // namespace vell::seal
