#include "seal/base64.hpp"

#include <gtest/gtest.h>

#include <random>

#include "seal/base64_reference.hpp"

namespace vell::seal {

namespace {

std::string encoded(std::string_view bytes) {
  return std::string(b64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
}

std::string decoded(std::string_view text) {
  std::vector<std::uint8_t> out(decodedRoom(text.size()));
  auto size = decodeMember(text, out.data());
  if (!size)
    return "<nothing>";
  return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(*size));
}

std::string reference(std::string text) {
  return testing::plainDecoding(std::move(text)).value_or("<nothing>");
}

}  // namespace

TEST(Base64, EncodesWithStandardAlphabetAndPadding) {
  struct Case {
    std::string in, out;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foobar", "Zm9vYmFy"},
               {"\xfb\xff", "+/8="},
               {"foobarfo", "Zm9vYmFyZm8="},
               {"foobarfoobarfoo", "Zm9vYmFyZm9vYmFyZm9v"},
               {std::string(9, '\xff'), "////////////"}};
  for (const auto& c : cases)
    EXPECT_EQ(encoded(c.in), c.out) << c.in;
}

// Every length up to past the eight-byte steps and their tails, every
// byte value: what the encoder writes, the decoder reads back.
TEST(Base64, RoundTripsEveryLengthAndByte) {
  std::mt19937 random(1);
  for (size_t size = 0; size < 300; ++size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
      c = static_cast<char>(random());
    std::string text = encoded(bytes);
    EXPECT_EQ(text.size(), encodedSize(size));
    EXPECT_EQ(reference(text), bytes) << size;
    EXPECT_EQ(decoded(text), bytes) << size;
  }
  std::string all;
  for (int c = 0; c < 256; ++c)
    all += static_cast<char>(c);
  EXPECT_EQ(decoded(encoded(all)), all);
}

TEST(Base64, MemberDecodingIsStrictButTakesUrlSafeAndUnpadded) {
  struct Case {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"", ""},
      {"Zm9v", "foo"},
      {"Zg==", "f"},
      {"Zg", "f"},  // padding left out
      {"Zg=", "f"},
      {"Zm8", "fo"},
      {"Zm8=", "fo"},
      {"-_8=", "\xfb\xff"},  // URL-safe alphabet
      {"-_8", "\xfb\xff"},
      {"Zh==", "f"},           // the bits past the last byte are ignored
      {"Zm9vY", "<nothing>"},  // a remainder of one character
      {"Zm9v=", "<nothing>"},
      {"Zg===", "<nothing>"},
      {"Zm8==", "<nothing>"},
      {"Zm9 v", "<nothing>"},
      {"Zm9v\n", "<nothing>"},
      {" Zm9v", "<nothing>"},
      {"Zg=a", "<nothing>"},
      {"Zg==Zg==", "<nothing>"},
      {"Z===", "<nothing>"},
      {"====", "<nothing>"},
      {"=", "<nothing>"},
      {"!!", "<nothing>"},
      {"Zm9v\xc3\xa9", "<nothing>"},
      {std::string("Zm9v\0AAA", 8), "<nothing>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(decoded(c.text), c.bytes) << c.text;
}

// Texts made mostly of the characters that matter (both alphabets, "=",
// and a few that are never base64), at every position of the group steps.
TEST(Base64, MemberDecodingAgreesWithThePlainReading) {
  const std::string pieces = "AZaz09+/-_=== !\"\\\xc3";
  std::mt19937 random(2);
  for (int round = 0; round < 20000; ++round) {
    size_t size = random() % 40;
    std::string text;
    for (size_t i = 0; i < size; ++i)
      text += random() % 4 ? "QUJD"[random() % 4] : pieces[random() % pieces.size()];
    ASSERT_EQ(decoded(text), reference(text)) << text;
  }
}

}  // namespace vell::seal
