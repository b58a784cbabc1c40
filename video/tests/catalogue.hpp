#pragma once

// For tests: photo-library catalogues built with the sqlite3 command line,
// as a library manager would fill them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/video/export_probe.hpp"

namespace vell::testing {

struct Row {
  std::string id;
  int mediaType;
  std::string path;  // absolute or relative to the library folder
  long width, height;
  double duration;
  int inCloud;
};

inline std::string sqlText(const std::string& text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Writes `folder`/library.sqlite holding `rows`.
inline void makeCatalogue(const std::filesystem::path& folder, const std::vector<Row>& rows) {
  std::filesystem::create_directories(folder);
  std::string sql =
      "CREATE TABLE assets(local_id TEXT PRIMARY KEY, media_type INTEGER, path TEXT, "
      "pixel_width INTEGER, pixel_height INTEGER, duration REAL, in_cloud INTEGER);";
  for (const auto& row : rows)
    sql += "INSERT INTO assets VALUES(" + sqlText(row.id) + "," + std::to_string(row.mediaType) +
           "," + sqlText(row.path) + "," + std::to_string(row.width) + "," +
           std::to_string(row.height) + "," + std::to_string(row.duration) + "," +
           std::to_string(row.inCloud) + ");";
  std::string out = commandOutput("sqlite3 " + testing::quoted(folder / "library.sqlite") + " " +
                                  testing::quoted(sql) + " 2>&1");
  ASSERT_EQ(out, "");
}

inline std::filesystem::path sampleClip(const std::string& name) {
  const char* samples = std::getenv("SAMPLES");
  return std::filesystem::path(samples ? samples : "") / "clips" / name;
}

}  // namespace vell::testing
