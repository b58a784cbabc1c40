// vell-place installed with damaged network files: a model that is missing,
// cut short or not a model at all gets the same answer, the picture's
// "vision" record, and the run goes on.

#include "platform/vision/damaged_models.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/run_process.hpp"
#include "common/test_folder.hpp"

namespace vell {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;
namespace vt = platform::vision::testing;

TEST(PlaceDamagedModels, AreAnsweredAsMissingOnes) {
  const fs::path pictures = fs::path(std::getenv("SAMPLES")) / "pictures";
  for (vt::Damage damage : {vt::Damage::missing, vt::Damage::truncated, vt::Damage::corrupt}) {
    SCOPED_TRACE(vt::nameOf(damage));
    TestFolder root;
    fs::path place =
        vt::installWithDamagedModels(std::getenv("BIN_DIR"), "vell-place", root.path(), damage);
    std::ofstream(root.path() / "list.txt")
        << "face\t" << (pictures / "jesper.jpg").string() << "\n"
        << "gone\t" << (root.path() / "absent.jpg").string() << "\n";
    ProcessResult result = runProcess(place, {"--width", "2", (root.path() / "list.txt").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    std::map<std::string, json> records;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
      json record = json::parse(line);
      records[record["k"]] = record;
    }
    ASSERT_EQ(records.size(), 2u) << result.out;
    json face = records["face"];
    EXPECT_EQ(face["error"], "vision") << face;
    face.erase("w");
    face.erase("h");
    EXPECT_EQ(face, json({{"k", "face"}, {"error", "vision"}}));
    EXPECT_EQ(records["gone"], json({{"k", "gone"}, {"error", "unreadable"}}));
  }
}

}  // namespace
}  // namespace vell
