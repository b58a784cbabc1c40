# Export of a video file to H.264 + AAC in MPEG-4: FFmpeg's libraries with
# libx264.
find_package(Threads REQUIRED)
pkg_check_modules(VELL_EXPORT_AV REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavutil libswscale libswresample)
add_library(vell_platform_video_export STATIC
  video_export.cpp
  video_export_transcode.cpp
  video_export_video.cpp
  video_export_audio.cpp
  video_export_geometry.cpp)
target_include_directories(vell_platform_video_export PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_platform_video_export
  PUBLIC vell_common Threads::Threads
  PRIVATE PkgConfig::VELL_EXPORT_AV vell_settings)

vell_test(video_export_test
  SOURCES video_export_geometry_test.cpp video_export_test.cpp
  LIBS vell_platform_video_export)
