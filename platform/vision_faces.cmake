# Faces: BlazeFace's full-range and near-face models (ONNX) on OpenCV dnn.
find_package(OpenCV REQUIRED COMPONENTS core imgproc imgcodecs dnn)
add_library(vell_vision_faces STATIC vision/faces.cpp vision/face_decoding.cpp)
target_include_directories(vell_vision_faces PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_faces PUBLIC vell_vision_core PRIVATE ${OpenCV_LIBS} vell_settings)
vell_test(vision_faces_test SOURCES vision/faces_test.cpp LIBS vell_vision_faces ${OpenCV_LIBS})
