// vell-cutout installed with a damaged segmentation network: missing, cut
// short or not a model at all, it is a platform error (status 5) with the
// reason, and no file is written.

#include "platform/vision/damaged_models.hpp"

#include <gtest/gtest.h>

#include "common/test_folder.hpp"
#include "cutout/tests/cutout_test_support.hpp"

namespace vell::cutout {
namespace {

namespace vt = platform::vision::testing;

TEST(CutoutDamagedModels, AreAnsweredAsMissingOnes) {
  for (vt::Damage damage : {vt::Damage::missing, vt::Damage::truncated, vt::Damage::corrupt}) {
    SCOPED_TRACE(vt::nameOf(damage));
    TestFolder root;
    auto program =
        vt::installWithDamagedModels(std::getenv("BIN_DIR"), "vell-cutout", root.path(), damage);
    std::string out = (root.path() / "out.png").string();
    ProcessResult result = runProcess(program, {testing::samplePicture("chelsea.png"), out});
    EXPECT_EQ(result.status, 5);
    EXPECT_EQ(result.out, "");
    const std::string reason =
        damage == vt::Damage::missing ? "model missing: " : "model unreadable: ";
    EXPECT_EQ(result.err.rfind("foreground mask: " + reason, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("isnet-512.onnx"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
}  // namespace vell::cutout
