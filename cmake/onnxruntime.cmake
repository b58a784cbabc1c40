# ONNX Runtime as the imported target `onnxruntime::onnxruntime`, from the
# folder scripts/onnxruntime.sh lays out in the set-up cache.
#
# The library lives in a private folder beside the programs, lib/vell/, which
# they reach through the RPATH $ORIGIN/../lib/vell: installed as
# <prefix>/lib/vell/libonnxruntime.so.1 with its licence texts, and copied to
# <build>/lib/vell/ so that the programs in <build>/bin run as installed ones
# do. Test binaries find the build copy through their ordinary build RPATH.
set(VELL_ONNXRUNTIME "${VELL_CACHE}/onnxruntime" CACHE PATH
  "ONNX Runtime (include/, lib/libonnxruntime.so.1), as scripts/onnxruntime.sh lays it out")

find_path(ONNXRUNTIME_INCLUDE_DIR onnxruntime_cxx_api.h
  HINTS "${VELL_ONNXRUNTIME}/include" NO_DEFAULT_PATH)
find_file(ONNXRUNTIME_LIBRARY libonnxruntime.so.1
  HINTS "${VELL_ONNXRUNTIME}/lib" NO_DEFAULT_PATH)
if(NOT ONNXRUNTIME_INCLUDE_DIR OR NOT ONNXRUNTIME_LIBRARY)
  message(FATAL_ERROR "ONNX Runtime not found in ${VELL_ONNXRUNTIME}: run scripts/setup.sh "
    "(or scripts/onnxruntime.sh), or point VELL_ONNXRUNTIME at it")
endif()

set(onnxruntime_build_copy "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/libonnxruntime.so.1")
file(COPY "${ONNXRUNTIME_LIBRARY}" "${VELL_ONNXRUNTIME}/LICENSE"
  "${VELL_ONNXRUNTIME}/ThirdPartyNotices.txt"
  DESTINATION "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.part" FOLLOW_SYMLINK_CHAIN)
file(RENAME "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.part/libonnxruntime.so.1"
  "${onnxruntime_build_copy}")
file(RENAME "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.part/LICENSE"
  "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.LICENSE")
file(RENAME "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.part/ThirdPartyNotices.txt"
  "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.ThirdPartyNotices.txt")
file(REMOVE_RECURSE "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.part")

add_library(onnxruntime::onnxruntime SHARED IMPORTED GLOBAL)
set_target_properties(onnxruntime::onnxruntime PROPERTIES
  IMPORTED_LOCATION "${onnxruntime_build_copy}"
  IMPORTED_SONAME libonnxruntime.so.1
  INTERFACE_INCLUDE_DIRECTORIES "${ONNXRUNTIME_INCLUDE_DIR}")

install(FILES "${onnxruntime_build_copy}"
  "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.LICENSE"
  "${CMAKE_BINARY_DIR}/${VELL_PRIVATE_LIBDIR}/onnxruntime.ThirdPartyNotices.txt"
  DESTINATION ${VELL_PRIVATE_LIBDIR})
