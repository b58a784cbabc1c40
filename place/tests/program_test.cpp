#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "common/nonregular_files.hpp"
#include "common/run_process.hpp"
#include "common/test_folder.hpp"
#include "platform/image/hostile_pictures.hpp"
#include "platform/image/image.hpp"

namespace vell {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Outcome place(const std::vector<std::string>& args, const fs::path& scratch) {
  std::string command = quoted(std::string(std::getenv("BIN_DIR")) + "/vell-place");
  for (const auto& arg : args)
    command += " " + quoted(arg);
  command += " >" + quoted((scratch / "out").string()) + " 2>" + quoted((scratch / "err").string());
  int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(scratch / "out"), slurp(scratch / "err")};
}

std::map<std::string, json> byKey(const std::string& out) {
  std::map<std::string, json> records;
  size_t start = 0, end;
  while ((end = out.find('\n', start)) != std::string::npos) {
    json record = json::parse(out.substr(start, end - start));
    records[record["k"]] = record;
    start = end + 1;
  }
  EXPECT_EQ(start, out.size());
  return records;
}

const std::string usage =
    "usage: vell-place [--prints] [--ocr auto|always|never] [--width n] <list file: key<TAB>path "
    "per line>\n";

TEST(PlaceProgram, UsageAndUnreadablePictures) {
  TestFolder folder;
  struct Case {
    std::vector<std::string> args;
  };
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--prints"}, {"--ocr", "never"}, {(folder.path() / "absent.txt").string()}}) {
    Outcome outcome = place(args, folder.path());
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, usage);
  }
  std::ofstream(folder.path() / "empty.jpg").flush();
  std::ofstream(folder.path() / "text.jpg") << "not a picture";
  fs::create_directory(folder.path() / "folder.jpg");
  std::string list;
  for (const char* name : {"empty.jpg", "text.jpg", "folder.jpg", "missing.jpg"})
    list += std::string(name) + "\t" + (folder.path() / name).string() + "\r\n";
  std::ofstream(folder.path() / "list.txt") << list;
  Outcome outcome = place(
      {"--ocr", "always", "--width", "3", (folder.path() / "list.txt").string()}, folder.path());
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  auto records = byKey(outcome.out);
  ASSERT_EQ(records.size(), 4u) << outcome.out;
  for (const auto& [key, record] : records)
    EXPECT_EQ(record, json({{"k", key}, {"error", "unreadable"}}));
}

// Only regular files are read, lists and pictures alike: a named pipe would
// hold the open, a device would never end (nor stop growing memory). A path
// holding a NUL character names no file at all.
TEST(PlaceProgram, OnlyRegularFilesAreRead) {
  TestFolder folder;
  const auto specials = testing::nonRegularFiles(folder.path());
  std::vector<fs::path> paths;
  for (const auto& special : specials)
    paths.push_back(special.path);
  if (testing::makeDevice(folder.path() / "zero", testing::Device::zero))
    paths.push_back(folder.path() / "zero");
  const auto run = [&](const fs::path& list) {
    return runProcess(programPath("vell-place"), {"--ocr", "never", list.string()}, "",
                      std::chrono::seconds(120));
  };
  for (const auto& list : paths) {
    ProcessResult result = run(list);
    EXPECT_FALSE(result.timedOut) << list;
    EXPECT_EQ(result.status, 2) << list;
    EXPECT_EQ(result.err, usage) << list;
  }
  std::string list;
  for (std::size_t i = 0; i < paths.size(); ++i)
    list += "special" + std::to_string(i) + "\t" + paths[i].string() + "\n";
  const std::string real =
      (fs::path(std::getenv("SAMPLES")) / "pictures" / "astronaut.png").string();
  list += "nul\t" + real + std::string("\0.txt", 5) + "\n";
  std::ofstream(folder.path() / "list.txt", std::ios::binary) << list;
  ProcessResult result = run(folder.path() / "list.txt");
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 0);
  auto records = byKey(result.out);
  ASSERT_EQ(records.size(), paths.size() + 1) << result.out;
  for (const auto& [key, record] : records)
    EXPECT_EQ(record, json({{"k", key}, {"error", "unreadable"}}));
}

// Pictures that once stopped the process (libvips aborted on a JPEG thinner
// than its shrink factor, and printed on standard output) are each answered,
// and the batch goes on to its last line with nothing from a library on
// either stream. A line naming a path longer than any path is answered too.
TEST(PlaceProgram, HostilePicturesNeverEndTheBatch) {
  TestFolder folder;
  const auto pictures = platform::testing::hostilePictures(folder.path());
  std::string list;
  for (const auto& picture : pictures)
    list += picture.name + "\t" + picture.path.string() + "\n";
  list += "long\t" + std::string(70000, 'x') + "\n";
  list += "last\t" + (fs::path(std::getenv("SAMPLES")) / "pictures" / "jesper.jpg").string() + "\n";
  std::ofstream(folder.path() / "list.txt") << list;
  ProcessResult result =
      runProcess(programPath("vell-place"), {"--width", "2", (folder.path() / "list.txt").string()},
                 "", std::chrono::seconds(300));
  ASSERT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  auto records = byKey(result.out);
  ASSERT_EQ(records.size(), pictures.size() + 2) << result.out;
  for (const auto& picture : pictures) {
    const json& record = records[picture.name];
    if (picture.unreadable)
      EXPECT_EQ(record, json({{"k", picture.name}, {"error", "unreadable"}}));
    else
      EXPECT_TRUE(record.contains("w") || record.value("error", "") == "unreadable") << record;
  }
  EXPECT_EQ(records["long"], json({{"k", "long"}, {"error", "unreadable"}}));
  EXPECT_TRUE(records["last"].contains("w")) << records["last"];
}

// Lines that cannot reach the parent (standard output on a full device, or
// closed) make the run a failure instead of a silent success.
TEST(PlaceProgram, LostLinesAreAFailure) {
  TestFolder folder;
  const auto pictures = platform::testing::hostilePictures(folder.path());
  std::string list;
  for (int i = 0; i < 6; ++i)
    list += "k" + std::to_string(i) + "\t" + pictures.back().path.string() + "\n";
  std::ofstream(folder.path() / "list.txt") << list;
  for (Output output : {Output::full, Output::closed})
    EXPECT_EQ(runToEnd(programPath("vell-place"), {(folder.path() / "list.txt").string()}, output),
              1);
}

class PlacePhotos : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new TestFolder;
    fs::path samples = std::getenv("SAMPLES");
    fs::path pictures = samples / "pictures";
    // A blurred copy of the bee beside the original.
    auto bee = platform::decodeUpright((pictures / "european-honey-bee.jpg").string());
    ASSERT_TRUE(bee);
    auto blurred = platform::blurRegion(*bee, {0, 0, bee->width, bee->height}, 6.0);
    ASSERT_TRUE(blurred);
    auto jpeg = platform::encodeJpeg(*blurred, 0.9);
    ASSERT_TRUE(jpeg);
    std::ofstream(folder->path() / "blurred-bee.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg->data()), jpeg->size());
    const std::vector<std::pair<std::string, fs::path>> entries = {
        {"jesper", pictures / "jesper.jpg"},
        {"three", pictures / "qt-logo.jpg"},
        {"pool", pictures / "pool.jpg"},
        {"cat", pictures / "chelsea.png"},
        {"dog", pictures / "donna.jpg"},
        {"bee", pictures / "european-honey-bee.jpg"},
        {"blurred", folder->path() / "blurred-bee.jpg"},
        {"sideways", samples / "derived" / "bee-orientation-6.jpg"},
        {"truncated", samples / "derived" / "bee-truncated.jpg"},
        {"notice", pictures / "scenetext01.jpg"},
        {"citrus", pictures / "citrus-fruits.jpg"},
        {"grass", samples / "quality" / "grass-grey.png"},
    };
    std::string list;
    for (const auto& [key, path] : entries)
      list += key + "\t" + path.string() + "\n";
    std::ofstream(folder->path() / "list.txt") << list;
    outcome =
        new Outcome(place({"--prints", (folder->path() / "list.txt").string()}, folder->path()));
    records = new std::map<std::string, json>(byKey(outcome->out));
  }
  static void TearDownTestSuite() {
    delete records;
    delete outcome;
    delete folder;
  }
  static TestFolder* folder;
  static Outcome* outcome;
  static std::map<std::string, json>* records;

  const json& record(const std::string& key) {
    static const json none;
    auto found = records->find(key);
    return found == records->end() ? none : found->second;
  }
};

TestFolder* PlacePhotos::folder;
Outcome* PlacePhotos::outcome;
std::map<std::string, json>* PlacePhotos::records;

TEST_F(PlacePhotos, EveryLineAndItsShape) {
  EXPECT_EQ(outcome->status, 0);
  EXPECT_EQ(outcome->err, "");
  EXPECT_EQ(records->size(), 12u);
  EXPECT_EQ(record("truncated"), json({{"k", "truncated"}, {"error", "unreadable"}}));
  for (const auto& [key, r] : *records) {
    if (key == "truncated")
      continue;
    for (const char* member : {"w", "h", "l", "f", "hb", "an", "sh", "tc", "a", "u", "fp"})
      EXPECT_TRUE(r.contains(member)) << key << " lacks " << member;
    EXPECT_FALSE(r.contains("error")) << key;
    EXPECT_LE(std::max(r.at("w").get<int>(), r.at("h").get<int>()), 1024) << key;
    EXPECT_EQ(r.contains("fw"), r.at("f") != 0) << key;
    EXPECT_GE(r.at("a").get<double>(), -1);
    EXPECT_LE(r.at("a").get<double>(), 1);
  }
}

TEST_F(PlacePhotos, WhatThePhotosShow) {
  EXPECT_EQ(record("jesper")["f"], 1);
  EXPECT_EQ(record("three")["f"], 3);
  EXPECT_GE(record("pool")["hb"].get<int>(), 1);
  EXPECT_GE(record("cat")["an"].get<int>(), 1);
  EXPECT_GE(record("dog")["an"].get<int>(), 1);
  EXPECT_EQ(record("bee")["f"], 0);
  EXPECT_GT(record("bee")["sh"].get<double>(), 3 * record("blurred")["sh"].get<double>());
  EXPECT_EQ(record("sideways")["w"], record("bee")["h"]);
  EXPECT_EQ(record("sideways")["h"], 1024);
  std::string text;
  for (const auto& line : record("notice")["tx"])
    text += line[0].get<std::string>() + "\n";
  EXPECT_NE(text.find("DOUBLE"), std::string::npos) << text;
  EXPECT_NE(text.find("PARKING"), std::string::npos) << text;
  EXPECT_NE(text.find("PROHIBITED"), std::string::npos) << text;
  EXPECT_GT(record("notice")["tc"].get<double>(), 0.02);
  // Orange slices are no faces; grass is no writing, and no label says so.
  EXPECT_EQ(record("citrus")["f"], 0);
  EXPECT_EQ(record("grass")["tc"], 0);
  EXPECT_TRUE(!record("grass").contains("tx") || record("grass")["tx"].empty());
  for (const auto& label : record("grass")["l"])
    EXPECT_NE(label[0], "text");
  // 480 floats give 480 bytes, 640 base64 characters.
  EXPECT_EQ(record("bee")["fp"].get<std::string>().size(), 640u);
}

}  // namespace
}  // namespace vell
