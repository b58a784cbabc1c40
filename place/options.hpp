#pragma once

#include <string>
#include <vector>

namespace vell::place {

// Fixed before the first picture is analysed, only read afterwards.
struct Settings {
  bool prints = false;
  std::string ocr = "auto";
  int width = 2;
};

// Recognises "--prints", then "--ocr word", then "--width n", each at its
// first exact occurrence anywhere in `args`, and removes what it recognised.
// An option that is the last argument when it needs a value stays in `args`.
// A width that is not a whole decimal number counts as 2; any width is then
// clamped to 1..4.
Settings scanOptions(std::vector<std::string>& args);

}  // namespace vell::place
