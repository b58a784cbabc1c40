#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "place/vision.hpp"

namespace vell::place {

// vell-place: `args` are the arguments without the program name. Returns the
// exit status.
int run(std::vector<std::string> args);

// Makes the vision services of one item task, one of `width` running at
// once.
using VisionFactory = std::function<std::unique_ptr<Vision>(int width)>;

// The run with its services and streams handed in.
int run(std::vector<std::string> args, const VisionFactory& makeVision, std::FILE* out,
        std::FILE* err);

}  // namespace vell::place
