#include "place/analysis.hpp"

#include <gtest/gtest.h>

#include "common/test_folder.hpp"
#include "place/test_support.hpp"

namespace vell::place {
namespace {

std::vector<std::string> memberNames(const Record& record) {
  std::vector<std::string> names;
  for (const auto& [name, value] : record.items())
    names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Labels, ThresholdStableOrderAndLimit) {
  const float nearest008 = 0.08f;
  auto l = labelsMember(
      {{"a", 0.9f}, {"b", 0.5f}, {"c", 0.5f}, {"d", nearest008}, {"e", 0.05f}, {"f", 0.0801f}});
  EXPECT_EQ(l.dump(), R"([["a",0.9],["b",0.5],["c",0.5],["f",0.08]])");
  std::vector<Classification> many;
  for (int i = 0; i < 30; ++i)
    many.push_back({"x" + std::to_string(i), 0.1f + 0.01f * float(i)});
  auto top = labelsMember(many);
  ASSERT_EQ(top.size(), 20u);
  EXPECT_EQ(top[0][0], "x29");
  EXPECT_EQ(top[19][0], "x10");
  EXPECT_EQ(labelsMember({}).dump(), "[]");
}

TEST(Reductions, PeopleFacesRegionsAndCoverage) {
  EXPECT_EQ(peopleCount({{{}, 0.4f}, {{}, 0.41f}, {{}, 0.9f}, {{}, 0.1f}}), 2);
  EXPECT_FALSE(widestFace({}));
  EXPECT_DOUBLE_EQ(*widestFace({{{0, 0, 0.21, 0.3}, 1}, {{0.5, 0, 0.35, 0.3}, 1}}), 0.35);

  EXPECT_FALSE(salientMember({}));
  EXPECT_EQ(salientMember({{0.1, 0.2, 0.5, 0.3}})->dump(), "[0.1,0.5,0.5,0.3]");
  // Equal areas: the first wins; a strictly larger one replaces it.
  EXPECT_EQ(salientMember({{0.0, 0.0, 0.2, 0.5}, {0.5, 0.5, 0.5, 0.2}})->dump(),
            "[0.0,0.5,0.2,0.5]");
  EXPECT_EQ(salientMember({{0.0, 0.0, 0.1, 0.1}, {0.25, 0.125, 0.5, 0.25}})->dump(),
            "[0.25,0.625,0.5,0.25]");

  EXPECT_DOUBLE_EQ(textCoverage({}), 0);
  EXPECT_DOUBLE_EQ(textCoverage({{{0, 0, 0.5, 0.5}, 1}, {{0, 0, 0.5, 0.5}, 1}}), 0.5);
  EXPECT_DOUBLE_EQ(textCoverage({{{0, 0, 1, 0.9}, 1}, {{0, 0, 1, 0.8}, 1}}), 1.0);  // 1.7 capped
}

class ReadTest : public ::testing::Test {
 protected:
  TestFolder folder;
  std::string picture = (folder.path() / "p.png").string();
  FakeVision vision;
  void SetUp() override { writePicture(picture, 400, 300); }
};

TEST_F(ReadTest, RecordShapes) {
  writeText(folder.path() / "text.jpg", "hello");
  EXPECT_EQ(read("k1", (folder.path() / "text.jpg").string(), false, "auto", vision).dump(),
            R"({"k":"k1","error":"unreadable"})");
  EXPECT_EQ(read("k1", (folder.path() / "none.jpg").string(), false, "auto", vision).dump(),
            R"({"k":"k1","error":"unreadable"})");

  vision.failBatch = true;
  Record failed = read("k2", picture, false, "auto", vision);
  EXPECT_EQ(memberNames(failed), (std::vector<std::string>{"error", "h", "k", "w"}));
  EXPECT_EQ(failed["error"], "vision");
  EXPECT_EQ(failed["w"], 400);
  EXPECT_EQ(failed["h"], 300);

  vision.failBatch = false;
  Record plain = read("k3", picture, false, "auto", vision);
  EXPECT_EQ(memberNames(plain),
            (std::vector<std::string>{"an", "f", "h", "hb", "k", "l", "sh", "tc", "w"}));
  EXPECT_EQ(plain["l"].dump(), "[]");
  EXPECT_EQ(plain["tc"], 0.0);
  EXPECT_GT(plain["sh"].get<double>(), 0.0);
  EXPECT_EQ(vision.recognitions, 0);  // auto without text rectangles
}

TEST_F(ReadTest, FullRecord) {
  vision.batch.labels = {{"dog", 0.875f}, {"animal", 0.9f}};
  vision.batch.faces = {{{0.1, 0.1, 0.21, 0.2}, 0.9f}, {{0.5, 0.1, 0.35, 0.2}, 0.9f}};
  vision.batch.textRectangles = {{{0, 0, 0.5, 0.25}, 0.9f}};
  vision.batch.humans = {{{}, 0.4f}, {{}, 0.8f}};
  vision.batch.salientObjects = {{0.1, 0.2, 0.5, 0.3}};
  vision.batch.animals = {{{}, 0.2f}, {{}, 0.1f}, {{}, 0.9f}};
  vision.batch.aesthetics = AestheticsObservation{-0.3125f, true};
  vision.batch.featurePrint = std::vector<float>{0.5f, -1.0f, 0.25f};
  vision.recognized = {{"NOTICE", 0.5f, {0, 0.5, 0.5, 0.125}}};
  Record record = read("k", picture, true, "auto", vision);
  EXPECT_TRUE(vision.askedForPrints);
  EXPECT_EQ(record["l"].dump(), R"([["animal",0.9],["dog",0.875]])");
  EXPECT_EQ(record["f"], 2);
  EXPECT_EQ(record["fw"], 0.35);
  EXPECT_EQ(record["hb"], 1);
  EXPECT_EQ(record["an"], 3);
  EXPECT_EQ(record["a"], -0.313);  // halves away from zero
  EXPECT_EQ(record["u"], 1);
  EXPECT_EQ(record["sal"].dump(), "[0.1,0.5,0.5,0.3]");
  EXPECT_EQ(record["tc"], 0.125);
  EXPECT_EQ(record["tx"].dump(), R"([["NOTICE",0.5,0.125]])");
  EXPECT_EQ(record["fp"], "QIEg");
  EXPECT_FALSE(record.contains("error"));

  Record withoutPrints = read("k", picture, false, "never", vision);
  EXPECT_FALSE(withoutPrints.contains("fp"));
  EXPECT_FALSE(withoutPrints.contains("tx"));
}

// Reading lines costs most of a picture's time: only the modes that report
// them ask for it, and the batch learns where the picture's own pixels are.
TEST_F(ReadTest, TheBatchReadsLinesOnlyForModesThatReportThem) {
  for (const auto& [ocr, reads] : std::vector<std::pair<std::string, bool>>{
           {"auto", true}, {"always", true}, {"never", false}, {"Auto", false}, {"yes", false}}) {
    read("k", picture, false, ocr, vision);
    EXPECT_EQ(vision.asked.readText, reads) << ocr;
    EXPECT_EQ(vision.asked.sourcePath, picture);
  }
}

TEST_F(ReadTest, FailedRecognitionLeavesTheRestAlone) {
  vision.failRecognition = true;
  Record record = read("k", picture, false, "always", vision);
  EXPECT_EQ(vision.recognitions, 1);
  EXPECT_FALSE(record.contains("tx"));
  EXPECT_TRUE(record.contains("tc"));
  vision.failRecognition = false;
  EXPECT_EQ(read("k", picture, false, "always", vision)["tx"].dump(), "[]");
}

}  // namespace
}  // namespace vell::place
