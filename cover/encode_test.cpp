#include "cover/encode.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "common/test_folder.hpp"

namespace vell::cover {
namespace {

// A stand-in encoder whose output shrinks with the quality, recording every
// quality it is asked for.
struct FakeEncoder {
  std::vector<double> asked;
  double bytesPerQuality = 1000000;

  Encoder encoder() {
    return [this](double q) -> Result<std::vector<std::uint8_t>> {
      asked.push_back(q);
      if (asked.size() > 100)  // a search that would never end
        return Error{"asked too often"};
      return std::vector<std::uint8_t>(static_cast<size_t>(q * bytesPerQuality + 0.5), 0);
    };
  }
};

TEST(EncodeWithinBudget, StepsDownToTheFloor) {
  struct Case {
    double quality;
    std::int64_t maxBytes;
    std::vector<double> qualities;
  } cases[] = {
      {0.9, 1100000, {0.9}},                         // fits at once
      {0.9, 820000, {0.9, 0.86, 0.86 - 0.04}},       // fits only at 0.82
      {0.9, 700000, {0.9, 0.86, 0.86 - 0.04, 0.8}},  // over budget even at the floor
      {0.9, 0, {0.9, 0.86, 0.86 - 0.04, 0.8}},
      {0.9, -5, {0.9, 0.86, 0.86 - 0.04, 0.8}},
      {0.5, 0, {0.5}},  // at or below the floor: once
      {0.8, 0, {0.8}},
      {0.83, 0, {0.83, 0.8}},
  };
  for (const auto& c : cases) {
    FakeEncoder fake;
    Result<Encoding> encoding = encodeWithinBudget(fake.encoder(), c.quality, c.maxBytes);
    ASSERT_TRUE(encoding);
    ASSERT_EQ(fake.asked.size(), c.qualities.size()) << c.quality << " " << c.maxBytes;
    for (size_t i = 0; i < c.qualities.size(); ++i)
      EXPECT_DOUBLE_EQ(fake.asked[i], c.qualities[i]);
    EXPECT_EQ(encoding->q, fake.asked.back());
    EXPECT_EQ(encoding->attempts, static_cast<int>(fake.asked.size()));
    EXPECT_EQ(encoding->bytes.size(), static_cast<size_t>(fake.asked.back() * 1000000 + 0.5));
  }
}

// Qualities the encoder cannot use are taken into 0..1 first: above 1 (up to
// infinity, where a step of 0.04 changes nothing) the search starts at 1 and
// ends after six encodings at most; below 0 it encodes once, at 0.
TEST(EncodeWithinBudget, QualitiesOutsideZeroToOneAreBounded) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> fromTop = {1, 0.96, 0.92, 0.88, 0.84, 0.8};
  struct Case {
    double quality;
    std::int64_t maxBytes;
    std::vector<double> qualities;
  } cases[] = {
      {1.7, 0, fromTop},
      {16, 0, fromTop},
      {1e20, 0, fromTop},
      {1e308, 0, fromTop},
      {inf, 0, fromTop},
      {inf, 1000000, {1}},
      {1.7, 950000, {1, 0.96, 0.92}},
      {-5, 0, {0}},
      {-inf, 0, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.quality << " " << c.maxBytes);
    FakeEncoder fake;
    Result<Encoding> encoding = encodeWithinBudget(fake.encoder(), c.quality, c.maxBytes);
    ASSERT_TRUE(encoding);
    ASSERT_EQ(fake.asked.size(), c.qualities.size());
    for (size_t i = 0; i < c.qualities.size(); ++i)
      EXPECT_NEAR(fake.asked[i], c.qualities[i], 1e-12);
    EXPECT_EQ(encoding->q, fake.asked.back());
  }
  // Not a number is no quality at all: the encoder is left to refuse it.
  std::vector<double> asked;
  Encoder refusing = [&asked](double q) -> Result<std::vector<std::uint8_t>> {
    asked.push_back(q);
    return Error{"not a number"};
  };
  EXPECT_FALSE(encodeWithinBudget(refusing, std::nan(""), 0));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(std::isnan(asked[0]));
}

TEST(EncodeWithinBudget, EncoderFailureEndsTheSearch) {
  int calls = 0;
  Encoder failing = [&calls](double) -> Result<std::vector<std::uint8_t>> {
    ++calls;
    return Error{"no encoder"};
  };
  Result<Encoding> encoding = encodeWithinBudget(failing, 0.9, 0);
  ASSERT_FALSE(encoding);
  EXPECT_EQ(encoding.error().text, "no encoder");
  EXPECT_EQ(calls, 1);
}

TEST(WriteOutput, ReplacesTheFileWholeOrNotAtAll) {
  TestFolder folder;
  auto path = folder.path() / "cover.jpg";
  {
    std::ofstream old(path);
    old << "old";
  }
  std::vector<std::uint8_t> bytes(5000, 7);
  ASSERT_TRUE(writeOutput(path, bytes));
  EXPECT_EQ(std::filesystem::file_size(path), 5000u);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cover.jpg"});
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0600, 0600u);

  Status missing = writeOutput(folder.path() / "absent" / "cover.jpg", bytes);
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.error().text.find("No such file or directory"), std::string::npos)
      << missing.error().text;
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"cover.jpg"});
}

}  // namespace
}  // namespace vell::cover
