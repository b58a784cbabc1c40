#pragma once

namespace vell::platform {

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};

// Quarter turns, clockwise, that show a stored picture upright.
enum class QuarterTurns { none = 0, one = 1, two = 2, three = 3 };

// The turn a display matrix asks for, from its rotation angle as FFmpeg
// reports it (degrees counter-clockwise); angles round to the nearest
// quarter turn, anything not finite is no turn.
QuarterTurns turnsFromAngle(double counterClockwiseDegrees);

// The size of the exported picture: the stored `coded` size with pixel
// aspect `sarNum`/`sarDen` (0 or invalid: square), turned by `turns`, scaled
// down to fit a box of `boxLong` × `boxShort` laid the same way as the
// picture (portrait pictures fit a portrait box), never scaled up, both
// sides even and at least 2. Upright, after the turn.
PixelSize fitToBox(PixelSize coded, int sarNum, int sarDen, QuarterTurns turns, int boxLong,
                   int boxShort);

}  // namespace vell::platform
