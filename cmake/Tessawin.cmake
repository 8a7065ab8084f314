# Shared build helpers.
find_package(GTest REQUIRED)
include(GoogleTest)

# tessawin_test(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [RESOURCE_LOCK name])
# One GoogleTest executable; its cases are registered with ctest one by one.
# Cases sharing a RESOURCE_LOCK never run at the same time; those labelled
# interop share "soffice", as LibreOffice crashes now and then when several
# start together.
function(tessawin_test name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # Each test program converts databases into a cache of its own, so that no
  # test depends on another's copies.
  set(props TIMEOUT ${T_TIMEOUT} ENVIRONMENT "XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/tests/cache/${name}")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(NOT T_RESOURCE_LOCK AND "interop" IN_LIST T_LABELS)
    set(T_RESOURCE_LOCK soffice)
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${props})
endfunction()

# tessawin_bench(NAME SOURCES ... LIBS ...)
function(tessawin_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
