#include "platform/video/export_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::platform {
namespace {

TEST(ExportGeometry, TurnsFollowTheDisplayMatrixAngle) {
  struct Case {
    double angle;
    QuarterTurns expected;
  };
  const Case cases[] = {
      {0, QuarterTurns::none},    {-0.0, QuarterTurns::none},  {90, QuarterTurns::three},
      {-90, QuarterTurns::one},   {180, QuarterTurns::two},    {-180, QuarterTurns::two},
      {270, QuarterTurns::one},   {89.6, QuarterTurns::three}, {44, QuarterTurns::none},
      {450, QuarterTurns::three}, {NAN, QuarterTurns::none},   {INFINITY, QuarterTurns::none},
  };
  for (const auto& c : cases)
    EXPECT_EQ(turnsFromAngle(c.angle), c.expected) << c.angle;
}

TEST(ExportGeometry, FitsThePresetBoxWithEvenSides) {
  struct Case {
    PixelSize coded;
    int sarNum, sarDen;
    QuarterTurns turns;
    int boxLong, boxShort;
    PixelSize expected;
  };
  const Case cases[] = {
      {{1920, 1080}, 1, 1, QuarterTurns::none, 1920, 1080, {1920, 1080}},
      {{1920, 1080}, 1, 1, QuarterTurns::none, 1280, 720, {1280, 720}},
      {{1280, 720}, 1, 1, QuarterTurns::none, 1920, 1080, {1280, 720}},  // never up
      {{3840, 2160}, 1, 1, QuarterTurns::none, 1920, 1080, {1920, 1080}},
      {{320, 240}, 0, 1, QuarterTurns::none, 1280, 720, {320, 240}},
      {{321, 241}, 0, 0, QuarterTurns::none, 1280, 720, {320, 240}},  // odd sides round down
      {{1, 1}, 1, 1, QuarterTurns::none, 1280, 720, {2, 2}},
      {{1280, 720}, 1, 1, QuarterTurns::one, 1280, 720, {720, 1280}},  // portrait box
      {{1920, 1080}, 1, 1, QuarterTurns::three, 1280, 720, {720, 1280}},
      {{1920, 1080}, 1, 1, QuarterTurns::two, 1280, 720, {1280, 720}},
      {{4000, 1000}, 1, 1, QuarterTurns::none, 1920, 1080, {1920, 480}},   // wide: width limits
      {{1440, 1080}, 1, 1, QuarterTurns::none, 1280, 720, {960, 720}},     // 4:3: height limits
      {{1440, 1080}, 4, 3, QuarterTurns::none, 1920, 1080, {1920, 1080}},  // anamorphic HD
      {{720, 576}, 16, 15, QuarterTurns::none, 1280, 720, {768, 576}},
      {{1080, 1080}, 1, 1, QuarterTurns::none, 1280, 720, {720, 720}},
      {{1919, 1081}, 1, 1, QuarterTurns::none, 1280, 720, {1278, 720}},
  };
  for (const auto& c : cases) {
    PixelSize got = fitToBox(c.coded, c.sarNum, c.sarDen, c.turns, c.boxLong, c.boxShort);
    EXPECT_EQ(got, c.expected) << c.coded.width << "x" << c.coded.height << " turns "
                               << int(c.turns) << " box " << c.boxLong << ": " << got.width << "x"
                               << got.height;
  }
}

}  // namespace
}  // namespace vell::platform
