# Classification labels, humans, animals, objectness and feature prints: one
# pass of the CenterNet COCO detector (frozen TensorFlow graph) on OpenCV dnn.
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs dnn)
add_library(vell_vision_detector STATIC
  vision/detector.cpp vision/centernet_decoding.cpp vision/objectness.cpp)
target_include_directories(vell_vision_detector PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_detector PUBLIC vell_vision_core PRIVATE ${OpenCV_LIBS} vell_settings)
vell_test(vision_detector_test SOURCES vision/detector_test.cpp LIBS vell_vision_detector ${OpenCV_LIBS})

# Inference on real photos, several passes a test.
vell_test(vision_detector_photos_test SLOW SOURCES vision/detector_photos_test.cpp
  LIBS vell_vision_detector ${OpenCV_LIBS})
