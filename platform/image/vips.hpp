#pragma once

// Shared by the image_*.cpp files only: the libvips set-up, the crossing
// between Bitmap and VImage, and the one place where libvips errors turn
// into `Error`s.

#include <exception>
#include <new>
#include <string>
#include <type_traits>
#include <vips/vips8>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/image/image.hpp"

namespace vell::platform::vips_glue {

// Starts libvips once per process (thread-safe; every entry point calls it):
// a tiny operation cache and the loaders we trust with untrusted files.
// Returns false when libvips cannot start.
bool start();

// The text of a libvips failure, with libvips' process-wide error buffer
// cleared, so that the next failure does not repeat this one's text.
std::string takeError(const vips::VError& error);

// Runs `body` (returning Result<T>) with every libvips failure and every
// allocation failure turned into an Error starting with `what`.
template <typename Body>
auto guarded(const char* what, Body&& body) -> decltype(body()) {
  if (!start())
    return Error{std::string(what) + ": the image library cannot start"};
  // Left over from a failure libvips reported without raising it; it would
  // otherwise prefix the text of the next one.
  vips_error_clear();
  try {
    return body();
  } catch (const vips::VError& error) {
    return Error{std::string(what) + ": " + takeError(error)};
  } catch (const std::bad_alloc&) {
    return Error{std::string(what) + ": out of memory"};
  } catch (const std::length_error&) {
    return Error{std::string(what) + ": out of memory"};
  }
}

// An Error when a `width` x `height` bitmap is empty or too large to make.
Status checkSize(const char* what, long long width, long long height);

// A VImage reading `bitmap`'s pixels in place (4 bands, uchar). `bitmap`
// must stay alive and unchanged while the image, or anything made from it,
// is evaluated.
vips::VImage view(const Bitmap& bitmap);

// Evaluates `image` (4 bands, uchar, any interpretation) into a Bitmap;
// refused when above `defaultMaxPixels`.
Bitmap render(const vips::VImage& image);

enum class Alpha { opaque, translucent };

// Whether every pixel of `bitmap` has alpha 255.
Alpha alphaOf(const Bitmap& bitmap);

// `image` as 8-bit sRGB with an alpha band: an embedded ICC profile is
// applied (a broken one is ignored), other colour spaces converted, grey
// spread to RGB, a missing alpha made opaque.
vips::VImage toSrgbRgba8(vips::VImage image);

// `image` (4 bands, uchar) resampled to exactly `width` x `height` with
// `kernel`, its alpha premultiplied while resampling so that transparent
// pixels lend no colour.
vips::VImage resizeExact(const vips::VImage& image, Alpha alpha, int width, int height,
                         VipsKernel kernel);

// `image` (4 bands, uchar) with its colour premultiplied by alpha, as float;
// `unpremultiplied` turns such an image back into 4 bands of uchar.
vips::VImage premultiplied(const vips::VImage& image);
vips::VImage unpremultiplied(const vips::VImage& image);

}  // namespace vell::platform::vips_glue
