#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace vell::encode {

// The run parameters from the command line.
struct Arguments {
  std::filesystem::path dir;  // holds index.json and the pictures
  std::filesystem::path out;  // the MP4 file to write
  double total = 22.0;        // length in seconds
  std::int64_t W = 1080;
  std::int64_t H = 1920;
  std::int64_t rate = 10000000;  // average bit rate, bits per second
};

inline constexpr double fps = 30.0;

// Reads `args` (the arguments after the program name): dir, out, total and
// optionally W, H and rate; later ones are ignored. A value that does not
// read falls back to its default without a message, and so does a `total`
// that is negative, not finite or longer than a day. Returns nothing when
// fewer than three arguments are given.
std::optional<Arguments> readArguments(std::span<const std::string> args);

}  // namespace vell::encode
