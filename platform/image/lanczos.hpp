#pragma once

// A separable Lanczos-3 resampler in plain C++, for the cases libvips does
// not cover with a Lanczos kernel (it enlarges with a bicubic interpolator).

#include <cstddef>  // bitmap.hpp uses size_t

#include "platform/image/bitmap.hpp"

namespace vell::platform::lanczos {

// `bitmap` resampled to `width` x `height`, each axis on its own: the
// kernel is widened by the shrink factor when shrinking (antialiased),
// edges repeat, and alpha is premultiplied while filtering. Sizes must be
// at least 1; allocation failures throw std::bad_alloc.
Bitmap resample(const Bitmap& bitmap, int width, int height);

}  // namespace vell::platform::lanczos
