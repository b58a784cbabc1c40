pkg_check_modules(LIBICAL REQUIRED IMPORTED_TARGET libical>=3.0)
add_library(vell_platform_calendar_store STATIC
  calendar_store.cpp
  calendar_item_cache.cpp
  calendar_item.cpp
  calendar_recurrence.cpp
  calendar_simple_rule.cpp
  calendar_text.cpp
  calendar_time.cpp)
target_include_directories(vell_platform_calendar_store PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vell_platform_calendar_store
  PUBLIC vell_common
  PRIVATE PkgConfig::LIBICAL vell_settings)

vell_test(calendar_store_test
  SOURCES calendar_item_test.cpp calendar_store_test.cpp calendar_text_test.cpp calendar_simple_rule_test.cpp
  LIBS vell_platform_calendar_store PkgConfig::LIBICAL)

vell_fuzz(calendar_item_fuzz
  SOURCES calendar_item_fuzz.cpp
  LIBS vell_platform_calendar_store
  CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/tests/corpus/calendar_item
  RUNS 1000)
