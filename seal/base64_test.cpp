#include "seal/base64.hpp"

#include <gtest/gtest.h>

namespace vell::seal {

namespace {

std::string decoded(const Json& value) {
  auto bytes = unb64(&value);
  if (!bytes)
    return "<nothing>";
  return std::string(bytes->begin(), bytes->end());
}

}  // namespace

TEST(Base64, EncodesWithStandardAlphabetAndPadding) {
  struct Case {
    std::string in, out;
  } cases[] = {{"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
               {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="}};
  for (const auto& c : cases) {
    auto text =
        b64(platform::ByteView(reinterpret_cast<const std::uint8_t*>(c.in.data()), c.in.size()));
    EXPECT_EQ(std::string(text), c.out) << c.in;
  }
}

TEST(Base64, MemberDecodingIsStrictButTakesUrlSafeAndUnpadded) {
  struct Case {
    Json value;
    std::string bytes;
  } cases[] = {
      {"", ""},
      {"Zm9v", "foo"},
      {"Zg==", "f"},
      {"Zg", "f"},  // padding left out
      {"Zm8", "fo"},
      {"-_8=", "\xfb\xff"},  // URL-safe alphabet
      {"-_8", "\xfb\xff"},
      {"Zm9vY", "<nothing>"},  // a remainder of one character
      {"Zm9 v", "<nothing>"},
      {"Zm9v\n", "<nothing>"},
      {"Zg=a", "<nothing>"},
      {"Z===", "<nothing>"},
      {"====", "<nothing>"},
      {"!!", "<nothing>"},
      {"Zm9v\xc3\xa9", "<nothing>"},
      {42, "<nothing>"},
      {true, "<nothing>"},
      {nullptr, "<nothing>"},
      {Json::array(), "<nothing>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(decoded(c.value), c.bytes) << c.value.dump();
  EXPECT_FALSE(unb64(nullptr));
}

}  // namespace vell::seal
