#include "cover/geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/r3.hpp"

namespace vell::cover {
namespace {

GeometryInput input(double IW, double IH, std::int64_t OW, std::int64_t OH, const Heat& heat) {
  GeometryInput in;
  in.IW = IW;
  in.IH = IH;
  in.heat = &heat;
  in.OW = OW;
  in.aspect = static_cast<double>(OW) / static_cast<double>(OH);
  in.maxZoom = 1.35;
  return in;
}

void expectBox(const Box& actual, const Box& expected) {
  EXPECT_DOUBLE_EQ(actual.x, expected.x);
  EXPECT_DOUBLE_EQ(actual.y, expected.y);
  EXPECT_DOUBLE_EQ(actual.w, expected.w);
  EXPECT_DOUBLE_EQ(actual.h, expected.h);
}

TEST(Geometry, CentreFallbackZoomsTowardsTheMiddle) {
  Heat none;
  Geometry g = chooseCrop(input(600, 400, 480, 300, none));
  EXPECT_EQ(g.source, "centre");
  expectBox(g.subject, {0.25, 0.25, 0.5, 0.5});
  expectBox(g.sb, {150, 100, 300, 200});
  EXPECT_DOUBLE_EQ(g.full, 600);
  EXPECT_DOUBLE_EQ(g.minW, 600 / 1.35);
  const double cw = 300 / 0.62, ch = cw / 1.6;
  EXPECT_DOUBLE_EQ(g.cw, cw);
  EXPECT_DOUBLE_EQ(g.ch, ch);
  EXPECT_DOUBLE_EQ(g.fx, 300);
  EXPECT_DOUBLE_EQ(g.fy, 200);
  EXPECT_DOUBLE_EQ(g.cx0, 300 - cw / 2);
  EXPECT_DOUBLE_EQ(g.cy0, 200 - ch / 2);
  EXPECT_EQ(g.fit, 1);
  EXPECT_EQ(r3(g.crop.x), 0.097);
  EXPECT_EQ(r3(g.crop.y), 0.122);
  EXPECT_EQ(r3(g.crop.w), 0.806);
  EXPECT_EQ(r3(g.crop.h), 0.756);
  EXPECT_EQ(r3(g.full / g.cw), 1.24);
  EXPECT_EQ(r3(480 / g.cw), 0.992);
}

TEST(Geometry, GivenFocusStopsAtTheZoomLimit) {
  Heat none;
  GeometryInput in = input(600, 400, 480, 300, none);
  in.focus = "0.4,0.4,0.2,0.2";
  Geometry g = chooseCrop(in);
  EXPECT_EQ(g.source, "given");
  EXPECT_DOUBLE_EQ(g.hcx, 0.5);
  EXPECT_DOUBLE_EQ(g.hcy, 0.5);
  const double cw = 600 / 1.35;
  EXPECT_DOUBLE_EQ(g.cw, cw);
  EXPECT_DOUBLE_EQ(g.ch, cw / 1.6);
  EXPECT_DOUBLE_EQ(g.cx0, 300 - cw / 2);
  EXPECT_DOUBLE_EQ(g.cy0, 200 - cw / 1.6 / 2);
  EXPECT_EQ(r3(g.full / g.cw), 1.35);
  EXPECT_EQ(r3(480 / g.cw), 1.08);
}

TEST(Geometry, SquareOutputKeepsTheFullFitCrop) {
  Heat none;
  Geometry g = chooseCrop(input(600, 400, 300, 300, none));
  EXPECT_DOUBLE_EQ(g.full, 400);
  EXPECT_DOUBLE_EQ(g.cw, 400);
  EXPECT_DOUBLE_EQ(g.ch, 400);
  EXPECT_DOUBLE_EQ(g.cx0, 100);
  EXPECT_DOUBLE_EQ(g.cy0, 0);
}

TEST(Geometry, FocusAtTheEdgeIsClampedIntoTheImage) {
  Heat none;
  GeometryInput in = input(600, 400, 480, 300, none);
  in.focus = "0,0.3,0.2,0.2";
  Geometry g = chooseCrop(in);
  EXPECT_DOUBLE_EQ(g.hcx, 0.1);
  EXPECT_DOUBLE_EQ(g.hcy, 0.4);
  EXPECT_DOUBLE_EQ(g.fx, 60);
  EXPECT_DOUBLE_EQ(g.cx0, 0);
  EXPECT_DOUBLE_EQ(g.cy0, 160 - g.ch / 2);
}

TEST(Geometry, ReadsTheFocusValue) {
  Heat none;
  struct Case {
    std::string focus;
    std::string source;
    Box subject;
  } cases[] = {
      {"0.5,0.5,0,0", "given", {0.5, 0.5, 0.01, 0.01}},
      {"0.5,0.5,nan,-1", "given", {0.5, 0.5, 0.01, 0.01}},
      {",0.1,,0.2,0.3,0.4,", "given", {0.1, 0.2, 0.3, 0.4}},
      {"-0.5,1.5,2,2", "given", {-0.5, 1.5, 2, 2}},
      {"0.1,0.2,0.3", "centre", {0.25, 0.25, 0.5, 0.5}},
      {"0.1,0.2,0.3,0.4,0.5", "centre", {0.25, 0.25, 0.5, 0.5}},
      {"--analyze", "centre", {0.25, 0.25, 0.5, 0.5}},
  };
  for (const auto& c : cases) {
    GeometryInput in = input(600, 400, 480, 300, none);
    in.focus = c.focus;
    Geometry g = chooseCrop(in);
    EXPECT_EQ(g.source, c.source) << c.focus;
    expectBox(g.subject, c.subject);
  }
}

TEST(Geometry, NonFiniteFocusStillGivesACropInsideTheImage) {
  Heat none;
  for (std::string focus : {"nan,nan,0.2,0.2", "inf,-inf,0.2,0.2", "0.2,0.2,inf,inf"}) {
    GeometryInput in = input(600, 400, 480, 300, none);
    in.focus = focus;
    Geometry g = chooseCrop(in);
    EXPECT_GE(g.cx0, 0) << focus;
    EXPECT_GE(g.cy0, 0) << focus;
    EXPECT_LE(g.cx0 + g.cw, 600 + 1e-9) << focus;
    EXPECT_LE(g.cy0 + g.ch, 400 + 1e-9) << focus;
  }
}

TEST(Geometry, HeatFallbackCentresOnTheCentroid) {
  // One hot cell at row 0, column 3 of a 4 x 2 map: centroid (0.875, 0.25).
  Heat heat({0, 0, 0, 1, 0, 0, 0, 0}, 4, 2);
  Geometry g = chooseCrop(input(600, 400, 480, 300, heat));
  EXPECT_EQ(g.source, "heat");
  expectBox(g.subject, {0.875 - 0.15, 0.25 - 0.15, 0.3, 0.3});
  EXPECT_DOUBLE_EQ(g.hcx, 0.875);
  EXPECT_DOUBLE_EQ(g.fit, 1);
}

TEST(Geometry, SubjectGrowsFromRegions) {
  Heat none;
  struct Case {
    std::string name;
    std::vector<Box> attention;
    std::vector<ObjectRegion> objects;
    Box subject;
  } cases[] = {
      {"largest region first, small ones left out",
       {{0.0, 0.0, 0.1, 0.1}, {0.5, 0.5, 0.3, 0.3}, {0.3, 0.3, 0.1, 0.1}},
       {},
       {0.5, 0.5, 0.3, 0.3}},
      {"regions above 2 % join",
       {{0.0, 0.0, 0.15, 0.15}, {0.5, 0.5, 0.3, 0.3}},
       {},
       {0.0, 0.0, 0.8, 0.8}},
      {"equal areas: the earliest starts",
       {{0.1, 0.1, 0.1, 0.1}, {0.6, 0.6, 0.1, 0.1}},
       {},
       {0.1, 0.1, 0.1, 0.1}},
      {"an object mostly inside joins",
       {{0.25, 0.25, 0.5, 0.5}},
       {{{0.5, 0.25, 0.375, 0.25}, 0.9f}},
       {0.25, 0.25, 0.625, 0.5}},
      {"confidence exactly 0.5 does not join",
       {{0.25, 0.25, 0.5, 0.5}},
       {{{0.5, 0.25, 0.375, 0.25}, 0.5f}},
       {0.25, 0.25, 0.5, 0.5}},
      {"area exactly 0.5 does not join",
       {{0.0, 0.0, 0.9, 0.9}},
       {{{0.0, 0.0, 1.0, 0.5}, 0.9f}},
       {0.0, 0.0, 0.9, 0.9}},
      {"exactly half inside does not join",
       {{0.25, 0.25, 0.5, 0.5}},
       {{{0.625, 0.25, 0.25, 0.25}, 0.9f}},
       {0.25, 0.25, 0.5, 0.5}},
      {"objects test against the box grown by those before",
       {{0.25, 0.25, 0.5, 0.5}},
       {{{0.5, 0.25, 0.375, 0.25}, 0.9f}, {{0.75, 0.25, 0.1875, 0.25}, 0.9f}},
       {0.25, 0.25, 0.6875, 0.5}},
  };
  for (const auto& c : cases) {
    GeometryInput in = input(600, 400, 480, 300, none);
    in.attention = c.attention;
    in.objects = c.objects;
    Geometry g = chooseCrop(in);
    EXPECT_EQ(g.source, "vision") << c.name;
    EXPECT_NEAR(g.subject.x, c.subject.x, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.y, c.subject.y, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.w, c.subject.w, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.h, c.subject.h, 1e-12) << c.name;
  }
}

TEST(Geometry, ObjectsJoinOnlyWhereTheHeatIs) {
  // Heat in the left part of the subject (columns 2..4, rows 2..7 of 10).
  std::vector<float> cells(100, 0.0f);
  for (int r = 2; r <= 7; ++r)
    for (int c = 2; c <= 4; ++c)
      cells[r * 10 + c] = 1.0f;
  Heat heat(cells, 10, 10);
  struct Case {
    std::string name;
    ObjectRegion object;
    Box subject;
  } cases[] = {
      // Mostly inside the subject, yet cold: the trunk a bird clings to.
      {"a cold object stays out", {{0.55, 0.25, 0.35, 0.5}, 0.93f}, {0.2, 0.2, 0.6, 0.6}},
      {"a hot object joins", {{0.15, 0.25, 0.3, 0.5}, 0.93f}, {0.15, 0.2, 0.65, 0.6}},
  };
  for (const auto& c : cases) {
    GeometryInput in = input(600, 400, 480, 300, heat);
    in.attention = {{0.2, 0.2, 0.6, 0.6}};
    in.objects = {c.object};
    Geometry g = chooseCrop(in);
    EXPECT_NEAR(g.subject.x, c.subject.x, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.y, c.subject.y, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.w, c.subject.w, 1e-12) << c.name;
    EXPECT_NEAR(g.subject.h, c.subject.h, 1e-12) << c.name;
  }
}

TEST(Geometry, SearchFindsTheWindowCentredOnTheHeat) {
  Heat heat({0, 0, 1, 0}, 4, 1);
  GeometryInput in = input(400, 100, 100, 100, heat);
  in.attention = {{0, 0, 1, 1}};
  Geometry g;
  chooseSubject(in, g);
  sizeCrop(in, g);
  placeCrop(in, g);
  EXPECT_DOUBLE_EQ(g.hcx, 0.625);
  EXPECT_DOUBLE_EQ(g.cw, 100);
  EXPECT_DOUBLE_EQ(g.ch, 100);
  EXPECT_DOUBLE_EQ(g.cx0, 175);
  searchCrop(in, g);
  EXPECT_DOUBLE_EQ(g.cx0, 300.0 * 27 / 40);
  EXPECT_DOUBLE_EQ(g.cy0, 0);
  measureCrop(in, g);
  EXPECT_DOUBLE_EQ(g.fit, 1);
}

TEST(Geometry, SearchSkipsGivenFocusAndMissingHeat) {
  Heat heat({0, 0, 1, 0}, 4, 1);
  GeometryInput given = input(400, 100, 100, 100, heat);
  given.focus = "0,0,1,1";
  Geometry g = chooseCrop(given);
  EXPECT_DOUBLE_EQ(g.cx0, 400 * (0.5 * 0.5 + 0.5 * 0.5) - 50);

  Heat none;
  GeometryInput cold = input(400, 100, 100, 100, none);
  cold.attention = {{0, 0, 1, 1}};
  EXPECT_DOUBLE_EQ(chooseCrop(cold).cx0, 150);
}

TEST(Geometry, SearchMovesAWideCropDownToTheHeat) {
  // A hot cell at (0.85, 0.85) of a 10 x 10 map, the whole image as the
  // subject and a wide crop: only the y axis is searched.
  std::vector<float> samples(100, 0);
  samples[8 * 10 + 8] = 1;
  Heat heat(samples, 10, 10);
  GeometryInput wide = input(1000, 1000, 400, 100, heat);
  wide.attention = {{0, 0, 1, 1}};
  Geometry g = chooseCrop(wide);
  EXPECT_DOUBLE_EQ(g.cw, 1000);
  EXPECT_DOUBLE_EQ(g.ch, 250);
  EXPECT_DOUBLE_EQ(g.cx0, 0);
  // Step 39 of 40 puts the window's centre nearest the hot cell's (850).
  EXPECT_DOUBLE_EQ(g.cy0, 750.0 * 39 / 40);
  EXPECT_DOUBLE_EQ(g.fit, 1);
}

TEST(Geometry, CropRespectsTheLimits) {
  // Whatever the subject, the crop keeps the aspect, stays inside the image
  // and never zooms past the limits.
  Heat none;
  const Box subjects[] = {
      {0.45, 0.45, 0.01, 0.01}, {0, 0, 1, 1}, {0.9, 0.9, 0.3, 0.3}, {-0.2, 0.5, 0.1, 0.9}};
  for (const Box& subject : subjects) {
    GeometryInput in = input(4000, 3000, 2400, 1500, none);
    in.focus = std::to_string(subject.x) + "," + std::to_string(subject.y) + "," +
               std::to_string(subject.w) + "," + std::to_string(subject.h);
    Geometry g = chooseCrop(in);
    EXPECT_NEAR(g.cw / g.ch, 1.6, 1e-12);
    EXPECT_LE(g.full / g.cw, 1.35 + 1e-12);
    EXPECT_LE(2400 / g.cw, 1.4 + 1e-12);
    EXPECT_GE(g.cx0, 0);
    EXPECT_GE(g.cy0, 0);
    EXPECT_LE(g.cx0 + g.cw, 4000 + 1e-9);
    EXPECT_LE(g.cy0 + g.ch, 3000 + 1e-9);
  }
}

}  // namespace
}  // namespace vell::cover
