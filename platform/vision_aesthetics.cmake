# Aesthetics heuristics: BRISQUE (OpenCV contrib quality) and a utility flag
# from text coverage and colourfulness.
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs quality)
add_library(vell_vision_aesthetics STATIC vision/aesthetics.cpp)
target_include_directories(vell_vision_aesthetics PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_aesthetics
  PUBLIC vell_vision_core vell_vision_text
  PRIVATE ${OpenCV_LIBS} vell_settings)

add_executable(vision_aesthetics_test vision/aesthetics_test.cpp)
target_link_libraries(vision_aesthetics_test PRIVATE vell_vision_aesthetics ${OpenCV_LIBS}
  vell_settings GTest::gtest GTest::gtest_main)
gtest_discover_tests(vision_aesthetics_test DISCOVERY_TIMEOUT 60 TEST_FILTER "Aesthetics.*:AestheticsMissingModel.*"
  PROPERTIES ENVIRONMENT "BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    ENVIRONMENT_MODIFICATION "SAMPLES=set:${VELL_SAMPLES}")
gtest_discover_tests(vision_aesthetics_test DISCOVERY_TIMEOUT 60 TEST_FILTER "AestheticsOnPictures.*"
  PROPERTIES ENVIRONMENT "BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    ENVIRONMENT_MODIFICATION "SAMPLES=set:${VELL_SAMPLES}" LABELS slow)
