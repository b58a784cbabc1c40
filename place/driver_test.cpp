#include "place/driver.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/test_folder.hpp"
#include "place/messages.hpp"
#include "place/record.hpp"
#include "place/test_support.hpp"

namespace vell::place {
namespace {

std::string contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text.append(buffer, got);
  return text;
}

std::vector<Record> lines(const std::string& text) {
  std::vector<Record> records;
  size_t start = 0, end;
  while ((end = text.find('\n', start)) != std::string::npos) {
    records.push_back(Record::parse(text.substr(start, end - start)));
    start = end + 1;
  }
  EXPECT_EQ(start, text.size()) << "output ends without a line feed";
  return records;
}

class DriverTest : public ::testing::Test {
 protected:
  TestFolder folder;
  std::string list = (folder.path() / "list.txt").string();
  std::string picture = (folder.path() / "p.png").string();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::function<void(FakeVision&)> prepare;

  void SetUp() override { writePicture(picture, 64, 48); }
  void TearDown() override {
    std::fclose(out);
    std::fclose(err);
  }
  int runWith(std::vector<std::string> args) {
    return run(
        std::move(args),
        [this](int) {
          auto vision = std::make_unique<FakeVision>();
          if (prepare)
            prepare(*vision);
          return vision;
        },
        out, err);
  }
};

TEST_F(DriverTest, UsageWhenNoListFileReads) {
  writeText(folder.path() / "latin1.txt", "caf\xE9\tx\n");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--prints"},
      {"--prints", "--prints", (folder.path() / "absent").string()},
      {(folder.path() / "latin1.txt").string()},
      {folder.path().string()},
      {"--width", "3"},
  };
  for (const auto& args : cases) {
    std::FILE* caseOut = std::tmpfile();
    std::FILE* caseErr = std::tmpfile();
    EXPECT_EQ(run(
                  args, [](int) { return std::make_unique<FakeVision>(); }, caseOut, caseErr),
              exitUsage);
    EXPECT_EQ(contents(caseOut), "");
    EXPECT_EQ(contents(caseErr), usageLine);
    std::fclose(caseOut);
    std::fclose(caseErr);
  }
}

TEST_F(DriverTest, EmptyAndUselessListsWriteNothing) {
  for (const std::string text : {"", "\n\n", "a\t\nb\n\t\t\n"}) {
    writeText(list, text);
    EXPECT_EQ(runWith({list}), exitSuccess);
  }
  EXPECT_EQ(contents(out), "");
  EXPECT_EQ(contents(err), "");
}

TEST_F(DriverTest, OneLinePerJobInListOrderAtWidthOne) {
  std::string text;
  for (int i = 0; i < 12; ++i)
    text += "k" + std::to_string(i) + "\t" + (i % 3 == 2 ? "missing.png" : picture) + "\n";
  text += "k0\t" + picture + "\n";  // duplicate keys give duplicate lines
  writeText(list, text);
  EXPECT_EQ(runWith({"--width", "1", list}), exitSuccess);
  auto records = lines(contents(out));
  ASSERT_EQ(records.size(), 13u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(records[i]["k"], "k" + std::to_string(i));
    EXPECT_EQ(records[i].contains("error"), i % 3 == 2);
  }
  EXPECT_EQ(records[12]["k"], "k0");
  EXPECT_EQ(contents(err), "");
}

TEST_F(DriverTest, CrLfListGivesEveryJob) {
  writeText(list, "a\t" + picture + "\r\nb\t" + picture + "\r\n");
  EXPECT_EQ(runWith({list}), exitSuccess);
  auto records = lines(contents(out));
  ASSERT_EQ(records.size(), 2u);
  for (const auto& record : records)
    EXPECT_FALSE(record.contains("error")) << record.dump();
}

TEST_F(DriverTest, SettingsReachEveryPicture) {
  writeText(list, "a\t" + picture + "\n");
  prepare = [](FakeVision& vision) {
    vision.batch.featurePrint = std::vector<float>{0.5f, -1.0f, 0.25f};
    vision.recognized = {{"HELLO", 0.9f, {0, 0, 1, 0.5}}};
  };
  EXPECT_EQ(runWith({list, "--ocr", "always", "--prints"}), exitSuccess);
  EXPECT_EQ(runWith({list, "--ocr", "Always"}), exitSuccess);
  auto records = lines(contents(out));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["fp"], "QIEg");
  EXPECT_EQ(records[0]["tx"].dump(), R"([["HELLO",0.9,0.5]])");
  EXPECT_FALSE(records[1].contains("fp"));
  EXPECT_FALSE(records[1].contains("tx"));
}

TEST_F(DriverTest, UnserialisableRecordsAreLeftOut) {
  writeText(list, "a\t" + picture + "\nb\t" + picture + "\n");
  prepare = [](FakeVision& vision) { vision.batch.labels = {{"\xFF", 0.9f}}; };
  EXPECT_EQ(runWith({list}), exitSuccess);
  EXPECT_EQ(contents(out), "");
}

TEST_F(DriverTest, WidthBoundsTheWorkInProgress) {
  std::string text;
  for (int i = 0; i < 16; ++i)
    text += std::to_string(i) + "\t" + picture + "\n";
  writeText(list, text);
  for (int width : {1, 2, 4}) {
    std::atomic<int> running = 0, most = 0;
    prepare = [&](FakeVision& vision) {
      vision.duringBatch = [&] {
        int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --running;
      };
    };
    EXPECT_EQ(runWith({"--width", std::to_string(width), list}), exitSuccess);
    EXPECT_EQ(most.load(), width);
  }
  EXPECT_EQ(lines(contents(out)).size(), 48u);
}

}  // namespace
}  // namespace vell::place
