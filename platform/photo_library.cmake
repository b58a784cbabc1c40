# The photo library: a SQLite catalogue of the user's photos and videos.
pkg_check_modules(VELL_SQLITE REQUIRED IMPORTED_TARGET sqlite3)
add_library(vell_platform_photo_library STATIC photo_library.cpp)
target_include_directories(vell_platform_photo_library PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_platform_photo_library
  PUBLIC vell_platform_video_export
  PRIVATE PkgConfig::VELL_SQLITE vell_settings)

vell_test(photo_library_test SOURCES photo_library_test.cpp LIBS vell_platform_photo_library)
