# Counting user-perceived characters: ICU's character break iterator.
pkg_check_modules(VELL_ICU REQUIRED IMPORTED_TARGET icu-uc)
add_library(vell_platform_graphemes STATIC graphemes.cpp)
target_include_directories(vell_platform_graphemes PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_platform_graphemes PRIVATE PkgConfig::VELL_ICU vell_settings)

vell_test(graphemes_test SOURCES graphemes_test.cpp LIBS vell_platform_graphemes)
