# Text rectangles (PP-OCRv4 DB detector on OpenCV dnn) and text recognition
# (Tesseract, one line per rectangle).
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs dnn)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract)
add_library(vell_vision_text STATIC vision/text_detect.cpp vision/text_recognize.cpp)
target_include_directories(vell_vision_text PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_text
  PUBLIC vell_vision_core
  PRIVATE ${OpenCV_LIBS} PkgConfig::TESSERACT vell_settings)

# The tests that run the models are slow; the post-processing tests are not.
vell_test(vision_text_test SOURCES vision/text_test.cpp LIBS vell_vision_text ${OpenCV_LIBS}
  SLOW_SUITES TextTest)
