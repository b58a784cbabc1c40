#include "calendar/json_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "common/test_folder.hpp"

namespace vell::calendar {
namespace {

std::string contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(JsonFile, CompactWithEscapedSlashes) {
  const std::vector<std::pair<nlohmann::json, std::string>> cases = {
      {{{"id", "work/team"}}, R"({"id":"work\/team"})"},
      {{{"a", 1}, {"b", true}}, R"({"a":1,"b":true})"},
      {{{"events", nlohmann::json::array()}, {"truncated", 0}}, R"({"events":[],"truncated":0})"},
      {{{"t", "日本 \"q\" \\ \n"}}, "{\"t\":\"日本 \\\"q\\\" \\\\ \\n\"}"},
      {{{"t", "bad \xff byte"}}, "{\"t\":\"bad \xef\xbf\xbd byte\"}"},
  };
  for (const auto& [object, text] : cases)
    EXPECT_EQ(serialise(object), text);
}

TEST(JsonFile, WrittenWithMode0600WhateverTheMask) {
  TestFolder folder;
  const auto file = folder.path() / "status.json";
  for (mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}, mode_t{0777}}) {
    SCOPED_TRACE(mask);
    const mode_t previous = ::umask(mask);
    writeJSON({{"mask", mask}}, file.string());
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(contents(file), "{\"mask\":" + std::to_string(mask) + "}");
  }
  // Nothing but the file itself is left behind.
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"status.json"});
}

TEST(JsonFile, AMissingFolderIsNoFailure) {
  TestFolder folder;
  writeJSON({{"a", 1}}, (folder.path() / "results" / "x.json").string());
  EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace vell::calendar
