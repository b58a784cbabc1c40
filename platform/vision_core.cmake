# Shared by every vision request: observation types and the models folder.
add_library(vell_vision_core STATIC vision/models.cpp)
target_include_directories(vell_vision_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_vision_core PRIVATE vell_settings)
