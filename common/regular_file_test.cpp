#include "common/regular_file.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "common/nonregular_files.hpp"
#include "common/test_folder.hpp"

namespace vell {
namespace {

namespace fs = std::filesystem;

TEST(RegularFile, OnlyRegularFilesAreRead) {
  TestFolder folder;
  std::ofstream(folder.path() / "plain") << "some text";
  fs::create_symlink(folder.path() / "plain", folder.path() / "link");
  EXPECT_EQ(*readRegularFile<std::string>((folder.path() / "link").string(), 100), "some text");
  EXPECT_EQ(*readRegularFile<std::vector<std::uint8_t>>((folder.path() / "plain").string(), 9),
            std::vector<std::uint8_t>({'s', 'o', 'm', 'e', ' ', 't', 'e', 'x', 't'}));

  struct Case {
    std::string what;
    std::string path;
    std::string why;
  };
  std::vector<Case> cases = {
      {"a missing file", (folder.path() / "absent").string(), "No such file"},
      {"a file longer than allowed", (folder.path() / "plain").string(), "longer than 8 bytes"},
      {"a path cut short by a NUL", (folder.path() / "plain").string() + std::string("\0x", 2),
       "NUL"},
  };
  // A socket cannot even be opened; everything else is refused once open.
  for (const auto& special : testing::nonRegularFiles(folder.path()))
    cases.push_back({special.what, special.path.string(),
                     special.kind == testing::FileKind::socket ? "" : "not a regular file"});
  if (testing::makeDevice(folder.path() / "zero", testing::Device::zero))
    cases.push_back({"an endless device", (folder.path() / "zero").string(), "not a regular file"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto read = readRegularFile<std::string>(c.path, 8);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().text.rfind("cannot read ", 0), 0u) << read.error().text;
    EXPECT_NE(read.error().text.find(c.why), std::string::npos) << read.error().text;
  }
}

}  // namespace
}  // namespace vell
