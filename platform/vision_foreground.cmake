# Foreground instance masks: ISNet on OpenCV dnn, instances as connected
# regions of the mask.
find_package(OpenCV REQUIRED COMPONENTS core imgproc dnn)
add_library(vell_vision_foreground STATIC vision/foreground.cpp vision/foreground_mask.cpp
  vision/large_net.cpp)
target_include_directories(vell_vision_foreground PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_foreground
  PUBLIC vell_vision_core
  PRIVATE ${OpenCV_LIBS} vell_settings)
vell_test(vision_foreground_mask_test SOURCES vision/foreground_mask_test.cpp LIBS vell_vision_foreground)
# Runs the network on real pictures.
vell_test(vision_foreground_test SLOW SOURCES vision/foreground_test.cpp
  LIBS vell_vision_foreground ${OpenCV_LIBS} opencv_imgcodecs)
