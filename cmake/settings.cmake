# Project settings and warnings, linked PRIVATE by our own targets only so
# that third-party headers are never held to them.
add_library(vell_settings INTERFACE)
target_compile_options(vell_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
target_compile_definitions(vell_settings INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
# Optimised builds are hardened as Debian builds its own packages: checked
# string and memory functions where the sizes are known, and every symbol
# bound at start so that the relocations can be made read-only.
target_compile_definitions(vell_settings INTERFACE
  $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
target_link_options(vell_settings INTERFACE
  $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:LINKER:-z,now>)

if(VELL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # Every program, test and fuzz target carries the leak checker's
  # suppressions of the libraries it uses.
  set(VELL_SANITIZER_SOURCES ${PROJECT_SOURCE_DIR}/common/leak_suppressions.cpp)
endif()

# The private folder of the libraries the programs bring along (ONNX
# Runtime), relative to the installation prefix and to the build tree.
set(VELL_PRIVATE_LIBDIR lib/vell)

# Adds a program: its library `vell_<name>` must exist; main.cpp only hands
# over the arguments.
function(vell_program name)
  add_executable(vell-${name} main.cpp ${VELL_SANITIZER_SOURCES})
  target_link_libraries(vell-${name} PRIVATE vell_${name} vell_settings)
  # Private libraries (ONNX Runtime) sit in lib/vell beside bin, in the build
  # tree as after installation, so the build's programs run as installed.
  set_target_properties(vell-${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    INSTALL_RPATH "$ORIGIN/../${VELL_PRIVATE_LIBDIR}" BUILD_WITH_INSTALL_RPATH ON)
  install(TARGETS vell-${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# Adds a GoogleTest binary `name` from `sources`, linked with `libs`; every
# test gets BIN_DIR (where the programs are) and SAMPLES (sample pictures).
# SLOW labels the whole binary slow, SLOW_SUITES only the named suites (the
# sanitizer run leaves slow tests out); DEPENDS names programs the tests run.
function(vell_test name)
  cmake_parse_arguments(T "SLOW" "TIMEOUT" "SOURCES;LIBS;ENV;SLOW_SUITES;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${VELL_SANITIZER_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vell_settings GTest::gtest GTest::gtest_main GTest::gmock)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  # gtest_discover_tests flattens a list-valued ENVIRONMENT given through
  # PROPERTIES (only the first variable arrives), and labels depend on the
  # discovered names, so both are set by a script that runs once the
  # discovered tests are declared.
  set(environment "BIN_DIR=${CMAKE_BINARY_DIR}/bin" "SAMPLES=${VELL_SAMPLES}" ${T_ENV})
  set(properties "ENVIRONMENT [==[${environment}]==]")
  if(T_TIMEOUT)
    string(APPEND properties " TIMEOUT ${T_TIMEOUT}")
  endif()
  if(T_SLOW)
    string(APPEND properties " LABELS slow")
  endif()
  set(body "  set_tests_properties(\${test} PROPERTIES ${properties})\n")
  if(T_SLOW_SUITES)
    string(JOIN "|" slow_suites ${T_SLOW_SUITES})
    string(APPEND body
      "  if(test MATCHES \"^([^/.]*/)?(${slow_suites})\\\\.\")\n"
      "    set_tests_properties(\${test} PROPERTIES LABELS slow)\n"
      "  endif()\n")
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${script} "foreach(test IN LISTS ${name}_TESTS)\n${body}endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# Adds a fuzz target `name` (its sources define LLVMFuzzerTestOneInput) with
# the plain driver main, and a test that runs RUNS mutations of the files in
# CORPUS.
function(vell_fuzz name)
  cmake_parse_arguments(F "" "CORPUS;RUNS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/common/fuzz_main.cpp
    ${VELL_SANITIZER_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} vell_common vell_settings)
  if(NOT F_RUNS)
    set(F_RUNS 20000)
  endif()
  add_test(NAME ${name} COMMAND ${name} --runs ${F_RUNS} --corpus ${F_CORPUS})
endfunction()
