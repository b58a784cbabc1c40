#include "platform/video/export_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace vell::platform {

QuarterTurns turnsFromAngle(double counterClockwiseDegrees) {
  if (!std::isfinite(counterClockwiseDegrees))
    return QuarterTurns::none;
  // Counter-clockwise in the matrix means the picture must be turned
  // clockwise by the same angle to stand upright.
  long quarters = std::lround(-counterClockwiseDegrees / 90.0);
  return static_cast<QuarterTurns>(((quarters % 4) + 4) % 4);
}

PixelSize fitToBox(PixelSize coded, int sarNum, int sarDen, QuarterTurns turns, int boxLong,
                   int boxShort) {
  double width = std::max(coded.width, 1);
  double height = std::max(coded.height, 1);
  // Anamorphic pictures are stretched to square pixels across.
  if (sarNum > 0 && sarDen > 0 && sarNum != sarDen)
    width = width * sarNum / sarDen;
  bool sideways = turns == QuarterTurns::one || turns == QuarterTurns::three;
  if (sideways)
    std::swap(width, height);
  double boxWidth = width >= height ? boxLong : boxShort;
  double boxHeight = width >= height ? boxShort : boxLong;
  double scale = std::min({1.0, boxWidth / width, boxHeight / height});
  // Even sides for 4:2:0 chroma; rounding down keeps the picture inside the
  // box and never larger than its source.
  auto even = [](double side) {
    return std::max(2, static_cast<int>(std::floor(side / 2 + 1e-6)) * 2);
  };
  return {even(width * scale), even(height * scale)};
}

}  // namespace vell::platform
