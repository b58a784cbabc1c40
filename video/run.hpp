#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "video/export.hpp"

namespace vell::video {

// Where the program meets the system; tests replace the parts.
struct Surroundings {
  std::ostream& out;
  std::filesystem::path library;  // the photo library's folder
  Wait wait;
};

// The whole program for the arguments `args` (without the program name):
// writes one answer and returns the exit status.
int run(const std::vector<std::string>& args);
int run(std::vector<std::string> args, const Surroundings& surroundings);

}  // namespace vell::video
