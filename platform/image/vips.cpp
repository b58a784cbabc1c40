#include "platform/image/vips.hpp"

#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace vell::platform::vips_glue {

using vips::VImage;

namespace {

// Loaders for formats no photo tool needs, or that hand whole files to large
// interpreters (ImageMagick, poppler, librsvg), stay off: the pictures are
// untrusted, and a drawing's filters can take minutes to render however
// small the file. A `.csv` or `.mat` file would otherwise "decode" as a
// picture.
constexpr const char* blockedLoaders[] = {
    "VipsForeignLoadMagick",    "VipsForeignLoadPdf", "VipsForeignLoadSvg",
    "VipsForeignLoadFits",      "VipsForeignLoadMat", "VipsForeignLoadAnalyze",
    "VipsForeignLoadOpenslide", "VipsForeignLoadCsv", "VipsForeignLoadMatrix",
    "VipsForeignLoadRaw",
};

}  // namespace

bool start() {
  static const bool started = [] {
    if (VIPS_INIT("vell") != 0) {
      vips_error_clear();
      return false;
    }
    // Nothing is worth caching between calls here (each picture is read
    // once), and a big cache would hold whole decoded pictures alive.
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_cache_set_max_files(0);
    for (const char* loader : blockedLoaders)
      vips_operation_block_set(loader, TRUE);
    // Warnings about damaged files would land on the programs' standard
    // error; what matters of them comes back as an Error instead.
    g_log_set_handler(
        "VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
        nullptr);
    return true;
  }();
  return started;
}

std::string takeError(const vips::VError& error) {
  std::string text = error.what();
  vips_error_clear();
  // libvips ends each line of its buffer with a newline; keep one line.
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text.empty() ? "the image library failed" : text;
}

Status checkSize(const char* what, long long width, long long height) {
  if (width < 1 || height < 1)
    return Error{std::string(what) + ": empty picture"};
  if (width > defaultMaxPixels || height > defaultMaxPixels || width * height > defaultMaxPixels)
    return Error{std::string(what) + ": " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels is more than " + std::to_string(defaultMaxPixels)};
  return ok();
}

VImage view(const Bitmap& bitmap) {
  // libvips only reads through this pointer; the const is ours to keep.
  auto* data = const_cast<std::uint8_t*>(bitmap.rgba.data());
  VImage image = VImage::new_from_memory(data, bitmap.rgba.size(), bitmap.width, bitmap.height, 4,
                                         VIPS_FORMAT_UCHAR);
  return image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

Bitmap render(const VImage& image) {
  if (Status size = checkSize("render", image.width(), image.height()); !size)
    throw vips::VError(size.error().text);
  if (image.bands() != 4 || image.format() != VIPS_FORMAT_UCHAR)
    throw vips::VError("render: not 8-bit RGBA");
  Bitmap bitmap;
  bitmap.width = image.width();
  bitmap.height = image.height();
  bitmap.rgba.resize(static_cast<size_t>(bitmap.width) * bitmap.height * 4);
  // libvips computes straight into the bitmap's own memory: no second
  // buffer of the whole picture, no copy.
  VImage target = VImage::new_from_memory(bitmap.rgba.data(), bitmap.rgba.size(), bitmap.width,
                                          bitmap.height, 4, VIPS_FORMAT_UCHAR);
  image.write(target);
  return bitmap;
}

Alpha alphaOf(const Bitmap& bitmap) {
  const std::uint8_t* p = bitmap.rgba.data();
  const std::uint8_t* end = p + bitmap.rgba.size();
  for (p += 3; p < end; p += 4)
    if (*p != 255)
      return Alpha::translucent;
  return Alpha::opaque;
}

namespace {

// Values of any numeric format in 0..255, for pictures whose colour space
// libvips cannot convert (unusual TIFF layouts, say).
VImage toUchar(const VImage& image) {
  switch (image.format()) {
    case VIPS_FORMAT_UCHAR:
      return image;
    case VIPS_FORMAT_USHORT:
      return (image / 257.0).cast(VIPS_FORMAT_UCHAR);
    case VIPS_FORMAT_FLOAT:
    case VIPS_FORMAT_DOUBLE:
      return (image * 255.0).cast(VIPS_FORMAT_UCHAR);
    default:
      return image.cast(VIPS_FORMAT_UCHAR);
  }
}

// Whether the ICC profile attached to `image` is an sRGB one. Converting
// sRGB to sRGB changes nothing that shows, yet costs about as much as
// decoding the JPEG; most camera and web pictures carry such a profile.
bool hasSrgbProfile(const VImage& image) {
  const void* data = nullptr;
  size_t length = 0;
  if (vips_image_get_blob(image.get_image(), VIPS_META_ICC_NAME, &data, &length) != 0) {
    vips_error_clear();
    return false;
  }
  cmsHPROFILE profile = cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(length));
  if (!profile)
    return false;
  char description[256] = {};
  cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", description, sizeof description);
  const bool rgb = cmsGetColorSpace(profile) == cmsSigRgbData;
  cmsCloseProfile(profile);
  return rgb && std::string_view(description).find("sRGB") != std::string_view::npos;
}

}  // namespace

VImage toSrgbRgba8(VImage image) {
  const bool plainSrgb =
      image.interpretation() == VIPS_INTERPRETATION_sRGB && image.format() == VIPS_FORMAT_UCHAR;
  if (image.get_typeof(VIPS_META_ICC_NAME) != 0 && !(plainSrgb && hasSrgbProfile(image))) {
    try {
      image = image.icc_transform("srgb", VImage::option()
                                              ->set("embedded", true)
                                              ->set("intent", VIPS_INTENT_RELATIVE)
                                              ->set("depth", 8));
    } catch (const vips::VError&) {
      // A profile lcms cannot use: show the numbers as they are, as most
      // viewers do.
      vips_error_clear();
    }
  }
  if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR) {
    if (vips_colourspace_issupported(image.get_image()))
      image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    image = toUchar(image);
  }
  switch (image.bands()) {
    case 1:
      return VImage::bandjoin({image, image, image}).bandjoin_const({255});
    case 2:
      return VImage::bandjoin({image[0], image[0], image[0], image[1]});
    case 3:
      return image.bandjoin_const({255});
    case 4:
      return image;
    default:
      return image.extract_band(0, VImage::option()->set("n", 4));
  }
}

VImage premultiplied(const VImage& image) {
  return image.premultiply(VImage::option()->set("max_alpha", 255.0));
}

VImage unpremultiplied(const VImage& image) {
  return image.unpremultiply(VImage::option()->set("max_alpha", 255.0))
      .round(VIPS_OPERATION_ROUND_RINT)
      .cast(VIPS_FORMAT_UCHAR);
}

VImage resizeExact(const VImage& image, Alpha alpha, int width, int height, VipsKernel kernel) {
  const double hscale = static_cast<double>(width) / image.width();
  const double vscale = static_cast<double>(height) / image.height();
  VImage in = alpha == Alpha::opaque ? image.extract_band(0, VImage::option()->set("n", 3))
                                     : premultiplied(image);
  VImage out = in.resize(hscale, VImage::option()->set("vscale", vscale)->set("kernel", kernel));
  // libvips rounds its output size; a pixel too many or too few at the far
  // edges is cut off or repeated, so the size is exactly what was asked.
  if (out.width() != width || out.height() != height)
    out = out.embed(0, 0, width, height, VImage::option()->set("extend", VIPS_EXTEND_COPY));
  return alpha == Alpha::opaque ? out.bandjoin_const({255}) : unpremultiplied(out);
}

}  // namespace vell::platform::vips_glue
