# Pictures: decoding, filters, encoding and drawing on libvips.
pkg_check_modules(VIPS REQUIRED IMPORTED_TARGET vips-cpp>=8.14)
# lcms, which libvips colour-manages with, also tells us a profile's name.
pkg_check_modules(LCMS REQUIRED IMPORTED_TARGET lcms2)

add_library(vell_platform_image STATIC
  image_vips.cpp
  image_decode.cpp
  image_filters.cpp
  image_lanczos.cpp
  image_encode.cpp
  image_draw.cpp)
target_include_directories(vell_platform_image PUBLIC ${PROJECT_SOURCE_DIR})
# The resampler's inner loops run per pixel and channel; unoptimised they
# take seconds per cover even in Debug and sanitizer builds.
set_source_files_properties(image_lanczos.cpp PROPERTIES COMPILE_OPTIONS -O2)
target_link_libraries(vell_platform_image PRIVATE PkgConfig::VIPS PkgConfig::LCMS vell_settings)

# The tests compare against libvips called directly, so they link it too.
vell_test(image_test
  SOURCES image_test.cpp image_filters_test.cpp image_output_test.cpp
  LIBS vell_platform_image vell_common PkgConfig::VIPS)

vell_fuzz(image_fuzz
  SOURCES image_fuzz.cpp
  LIBS vell_platform_image
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/image_fuzz_corpus
  RUNS 2000)
