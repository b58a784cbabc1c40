// vell-cutout writes the picture it is asked for and nothing else: the
// inference engine behind it must leave nothing in the user's home, cache or
// temporary folders.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>

#include "common/test_folder.hpp"
#include "cutout/tests/cutout_test_support.hpp"

namespace vell::cutout {
namespace {

// Points environment variables elsewhere for the children started meanwhile.
class EnvironmentOverride {
 public:
  explicit EnvironmentOverride(const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
      ::setenv(name.c_str(), value.c_str(), 1);
    }
  }
  ~EnvironmentOverride() {
    for (const auto& [name, old] : saved_)
      old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
  }
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

std::vector<std::string> everythingUnder(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    found.push_back(std::filesystem::relative(entry.path(), folder).string());
  return found;
}

TEST(CutoutFootprint, NothingBesideTheOutput) {
  TestFolder root;
  for (const char* name : {"home", "cache", "tmp", "out"})
    std::filesystem::create_directory(root.path() / name);
  const auto out = root.path() / "out" / "cat.png";
  ProcessResult result;
  {
    EnvironmentOverride environment({{"HOME", (root.path() / "home").string()},
                                     {"XDG_CACHE_HOME", (root.path() / "cache").string()},
                                     {"TMPDIR", (root.path() / "tmp").string()}});
    result = testing::cutout({testing::samplePicture("chelsea.png"), out.string()});
  }
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(out));
  for (const char* name : {"home", "cache", "tmp"})
    EXPECT_EQ(everythingUnder(root.path() / name), std::vector<std::string>{}) << name;
}

}  // namespace
}  // namespace vell::cutout
