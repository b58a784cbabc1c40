// vell-place's workers at the same moment: loading and running the shared
// networks together, and ending together.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "common/run_process.hpp"
#include "common/test_folder.hpp"
#include "platform/image/image.hpp"

namespace vell {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// A list of `keys` entries of one tiny picture, where nearly all the work of
// a run is loading and first running the networks, on every worker at once.
fs::path tinyList(const fs::path& folder, int keys) {
  platform::Bitmap tiny{8, 8, {}};
  for (int i = 0; i < 64; ++i)
    tiny.rgba.insert(tiny.rgba.end(), {std::uint8_t(i * 4), std::uint8_t(255 - i * 3),
                                       std::uint8_t(i % 8 * 30), 255});
  auto png = platform::encodePng(tiny);
  if (!png)
    return {};
  std::ofstream(folder / "tiny.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), png->size());
  std::string list;
  for (int i = 0; i < keys; ++i)
    list += "k" + std::to_string(i) + "\t" + (folder / "tiny.png").string() + "\n";
  std::ofstream(folder / "list.txt") << list;
  return folder / "list.txt";
}

// Runs the list at `width` (a run that hangs is ended, and fails) and checks
// that it ends cleanly with one line per key, all alike whichever worker
// made it.
void expectCleanRun(const fs::path& list, int keys, const std::string& width) {
  ProcessResult result =
      runProcess("/usr/bin/timeout", {"-k", "5", "300", programPath("vell-place"), "--ocr",
                                      "always", "--prints", "--width", width, list.string()});
  // A leak or fault the sanitizer build finds at exit changes the status.
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  ASSERT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), keys);
  std::map<std::string, json> records;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    json record = json::parse(line);
    records[record["k"]] = record;
  }
  ASSERT_EQ(records.size(), size_t(keys));
  json first = records.begin()->second;
  first.erase("k");
  EXPECT_FALSE(first.contains("error")) << first;
  for (auto [key, record] : records) {
    record.erase("k");
    EXPECT_EQ(record, first) << key;
  }
}

// The workers hold nothing the process does not release when the run ends.
TEST(PlaceWidth, SeveralWorkersEndAsOneDoes) {
  TestFolder folder;
  auto list = tinyList(folder.path(), 6);
  ASSERT_FALSE(list.empty());
  for (const char* width : {"1", "2", "4"}) {
    SCOPED_TRACE(std::string("width ") + width);
    expectCleanRun(list, 6, width);
  }
}

// Loading and running the shared networks on several workers at once
// crashed or hung runs at random (a quarter of them at width 2): many runs
// in a row.
TEST(PlaceConcurrency, ManyRunsAtWidthTwoAndFourEndCleanly) {
  TestFolder folder;
  constexpr int keys = 40;
  auto list = tinyList(folder.path(), keys);
  ASSERT_FALSE(list.empty());
  for (const char* width : {"2", "4"})
    for (int run = 0; run < 8; ++run) {
      SCOPED_TRACE(std::string("width ") + width + ", run " + std::to_string(run));
      expectCleanRun(list, keys, width);
      if (::testing::Test::HasFatalFailure())
        return;
    }
}

}  // namespace
}  // namespace vell
