// vell-cover installed with damaged network files: a model that is missing,
// cut short or not a model at all leaves the analyses it feeds without
// results, and the cover is made from what remains, the same each way.

#include "platform/vision/damaged_models.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/run_process.hpp"
#include "common/test_folder.hpp"

namespace vell::cover {
namespace {

namespace fs = std::filesystem;
namespace vt = platform::vision::testing;
using nlohmann::json;

TEST(CoverDamagedModels, AreAnsweredAsMissingOnes) {
  const std::string photo = std::string(std::getenv("SAMPLES")) + "/pictures/jesper.jpg";
  std::string missingReport;
  for (vt::Damage damage : {vt::Damage::missing, vt::Damage::truncated, vt::Damage::corrupt}) {
    SCOPED_TRACE(vt::nameOf(damage));
    TestFolder root;
    auto program =
        vt::installWithDamagedModels(std::getenv("BIN_DIR"), "vell-cover", root.path(), damage);
    std::string out = (root.path() / "cover.jpg").string();
    ProcessResult result = runProcess(program, {photo, out});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::exists(out));
    json report = json::parse(result.out);
    // No objects, and no aesthetics without the text detector.
    EXPECT_FALSE(report.contains("aes")) << report;
    if (damage == vt::Damage::missing)
      missingReport = result.out;
    else
      EXPECT_EQ(result.out, missingReport);
  }
}

}  // namespace
}  // namespace vell::cover
