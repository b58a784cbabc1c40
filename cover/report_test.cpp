#include "cover/report.hpp"

#include <gtest/gtest.h>

#include <limits>

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

TEST(Report, AnalysisLineOfAPhotoWithoutSaliency) {
  Heat none;
  Geometry g = chooseCrop(input(600, 400, 2400, 1500, none));
  Report out = startReport(600, 400, g, 2400, {});
  EXPECT_EQ(serialise(out),
            R"({"crop":[0,0.031,1,0.938],"eye":[0.5,0.5],"fit":1,"from":"centre","objects":[],)"
            R"("size":[600,400],"subject":[0.25,0.25,0.5,0.5],"up":4,"zoom":1})");
}

TEST(Report, FullRunSortsEveryMember) {
  Heat none;
  GeometryInput in = input(600, 400, 480, 300, none);
  in.focus = "0.4,0.4,0.2,0.2";
  Geometry g = chooseCrop(in);
  Report out = startReport(600, 400, g, 480, {{{0.12345, 0.5, 0.25, 0.0625}, 0.8765f}});
  addAesthetics(out, -0.0625f, false);
  completeReport(out, 123456, 0.86 - 0.04, 480, 300);
  EXPECT_EQ(serialise(out),
            R"({"aes":-0.063,"bytes":123456,"crop":[0.13,0.153,0.741,0.694],"eye":[0.5,0.5],)"
            R"("fit":1,"from":"given","objects":[[0.123,0.5,0.25,0.063,0.877]],"out":[480,300],)"
            R"("quality":0.82,"size":[600,400],"subject":[0.4,0.4,0.2,0.2],"up":1.08,)"
            R"("utility":false,"zoom":1.35})");
}

TEST(Report, ReportsOnlyTheFirstSixObjectsInOrder) {
  Heat none;
  Geometry g = chooseCrop(input(600, 400, 480, 300, none));
  std::vector<ObjectRegion> objects;
  for (int i = 0; i < 8; ++i)
    objects.push_back({{0.1 * i, 0, 0.1, 0.1}, 0.1f * static_cast<float>(8 - i)});
  Report out = startReport(600, 400, g, 480, objects);
  ASSERT_EQ(out["objects"].size(), 6u);
  for (int i = 0; i < 6; ++i)
    EXPECT_DOUBLE_EQ(out["objects"][static_cast<size_t>(i)][4].get<double>(), 0.1 * (8 - i));
}

TEST(Report, NonFiniteNumbersCannotBeSerialised) {
  Heat none;
  GeometryInput in = input(600, 400, 480, 300, none);
  in.focus = "nan,0.4,0.2,0.2";
  Report out = startReport(600, 400, chooseCrop(in), 480, {});
  EXPECT_EQ(serialise(out), std::nullopt);
}

}  // namespace
}  // namespace vell::cover
