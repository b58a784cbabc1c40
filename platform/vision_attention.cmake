# Attention saliency: spectral residual, colour distinctness from the
# borders, faces and a centre prior, on OpenCV.
find_package(OpenCV REQUIRED COMPONENTS core imgproc saliency)
add_library(vell_vision_attention STATIC vision/attention.cpp vision/attention_regions.cpp)
target_include_directories(vell_vision_attention PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_attention
  PUBLIC vell_vision_core
  PRIVATE vell_vision_faces ${OpenCV_LIBS} vell_settings)
vell_test(vision_attention_test SOURCES vision/attention_test.cpp
  LIBS vell_vision_attention ${OpenCV_LIBS} opencv_imgcodecs)
