# Video writing: H.264 through libx264 in an MPEG-4 file (FFmpeg libraries).
find_package(Threads REQUIRED)
pkg_check_modules(FFMPEG_WRITER REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavutil libswscale)
add_library(vell_platform_video_writer STATIC video_writer.cpp)
target_include_directories(vell_platform_video_writer PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_platform_video_writer
  PUBLIC vell_common
  PRIVATE PkgConfig::FFMPEG_WRITER vell_settings Threads::Threads)

vell_test(video_writer_test SOURCES video_writer_test.cpp
  LIBS vell_platform_video_writer nlohmann_json::nlohmann_json)
