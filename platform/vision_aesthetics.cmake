# Aesthetics heuristics: BRISQUE (OpenCV contrib quality) and a utility flag
# from text coverage and colourfulness.
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs quality)
add_library(vell_vision_aesthetics STATIC vision/aesthetics.cpp)
target_include_directories(vell_vision_aesthetics PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_aesthetics
  PUBLIC vell_vision_core vell_vision_text
  PRIVATE ${OpenCV_LIBS} vell_settings)

vell_test(vision_aesthetics_test SOURCES vision/aesthetics_test.cpp
  LIBS vell_vision_aesthetics ${OpenCV_LIBS} SLOW_SUITES AestheticsOnPictures)
