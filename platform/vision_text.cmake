# Text rectangles (PP-OCRv4 DB detector on OpenCV dnn) and text recognition
# (Tesseract, one line per rectangle).
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs dnn)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract)
add_library(vell_vision_text STATIC vision/text_detect.cpp vision/text_recognize.cpp)
target_include_directories(vell_vision_text PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_text
  PUBLIC vell_vision_core
  PRIVATE ${OpenCV_LIBS} PkgConfig::TESSERACT vell_settings)

# The tests that run the models are labelled slow (skipped in the sanitizer
# run); the post-processing tests run everywhere.
add_executable(vision_text_test vision/text_test.cpp)
target_link_libraries(vision_text_test PRIVATE vell_vision_text ${OpenCV_LIBS} vell_settings
  GTest::gtest GTest::gtest_main)
gtest_discover_tests(vision_text_test DISCOVERY_TIMEOUT 60 TEST_FILTER "TextBoxes.*:TextMissingModel.*"
  PROPERTIES ENVIRONMENT "BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    ENVIRONMENT_MODIFICATION "SAMPLES=set:${VELL_SAMPLES}")
gtest_discover_tests(vision_text_test DISCOVERY_TIMEOUT 60 TEST_FILTER "TextTest.*"
  PROPERTIES ENVIRONMENT "BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    ENVIRONMENT_MODIFICATION "SAMPLES=set:${VELL_SAMPLES}" LABELS slow)
