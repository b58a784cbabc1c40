#pragma once

// Foreground instance masks: which pixels of a picture belong to its
// foreground subjects (people, animals, objects), one instance per separate
// subject, with soft alpha along their edges.
//
// Safe to call from several threads at once; the network loads on the
// process's first call and is shared. Nothing here throws, exits or prints.

#include <cstdint>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"

namespace vell::platform::vision {

// The foreground of one picture, at the picture's own resolution. Pixel
// (x, y) is entry y * width + x, row 0 at the top.
struct InstanceMask {
  int width = 0;
  int height = 0;
  // The instance the pixel's alpha belongs to, 1..n, or 0 where alpha is 0.
  std::vector<std::uint8_t> instance;
  // How much of the pixel is foreground, 0..1: 1 inside a subject, falling
  // smoothly to 0 across its edges.
  std::vector<float> alpha;
  // The instance indexes present, ascending; instance 1 is the largest.
  // Empty when the picture has no foreground subject.
  std::vector<int> allInstances;
};

// Segments `picture` (transparent parts count as mid grey). Subjects are
// the separate regions of the foreground; specks much smaller than a
// subject are dropped. Subjects that fill only a part of the picture are
// looked at twice, the second time closer. Fails when the picture is empty, the model file is
// missing or unreadable, or inference fails.
Result<InstanceMask> foregroundInstances(const Bitmap& picture);

// `picture` with everything outside the chosen `instances` of `mask` fully
// transparent and the edges of the instances soft (the picture's own alpha
// is kept inside them); cropped to the smallest rectangle holding every
// visible pixel of the instances when `croppedToExtent`, else of the
// picture's size. Fails when `mask` was not made for a picture of this
// size, an index is not in `mask.allInstances`, or the instances cover no
// pixel.
Result<Bitmap> maskedImage(const Bitmap& picture, const InstanceMask& mask,
                           const std::vector<int>& instances, bool croppedToExtent);

}  // namespace vell::platform::vision
