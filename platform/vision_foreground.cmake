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
# Runs the network on real pictures: labelled slow, so the sanitizer run
# skips it. The environment is set after discovery, as vell_test does.
add_executable(vision_foreground_test vision/foreground_test.cpp)
target_link_libraries(vision_foreground_test PRIVATE vell_vision_foreground ${OpenCV_LIBS}
  opencv_imgcodecs vell_settings GTest::gtest GTest::gtest_main)
gtest_discover_tests(vision_foreground_test DISCOVERY_TIMEOUT 60 PROPERTIES LABELS slow)
set(foreground_test_script ${CMAKE_CURRENT_BINARY_DIR}/vision_foreground_test_environment.cmake)
file(WRITE ${foreground_test_script}
  "if(vision_foreground_test_TESTS)\n"
  "  set_tests_properties(\${vision_foreground_test_TESTS} PROPERTIES ENVIRONMENT "
  "[==[BIN_DIR=${CMAKE_BINARY_DIR}/bin;SAMPLES=${VELL_SAMPLES}]==])\n"
  "endif()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${foreground_test_script})
