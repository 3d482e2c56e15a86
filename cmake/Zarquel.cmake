# One folder, one library: every .cpp below the folder belongs to it, so adding
# a class needs no edit here. The framework's folders call on each other both
# ways (the application owns widgets, widgets reach the application), so
# programs link them all at once through `vorn_framework`, as one link group.
function(zarquel_library name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
  set_property(GLOBAL APPEND PROPERTY ZARQUEL_FRAMEWORK_LIBS ${name})
endfunction()

function(zarquel_framework)
  get_property(libs GLOBAL PROPERTY ZARQUEL_FRAMEWORK_LIBS)
  list(JOIN libs "," joined)
  add_library(vorn_framework INTERFACE)
  target_include_directories(vorn_framework INTERFACE ${PROJECT_SOURCE_DIR})
  target_link_libraries(vorn_framework INTERFACE "$<LINK_GROUP:RESCAN,${joined}>")
endfunction()

# Registers a test binary with ctest: each test case in a process of its
# own, and the whole binary once more as one process, so that a test that
# passes only alone, or only after another, fails.
# Under the sanitizers each test runs once, in the whole run of its binary:
# the normal build already runs them alone and together, and a process of
# its own for each of two thousand tests cost most of the step (a sanitized
# process takes a sixth of a second or more to start and end, whatever its
# test). Under ThreadSanitizer only the binaries that start threads are
# registered.
# SERIAL runs the binary's tests alone: tests that play the real program
# against a clock lose clicks when other tests share the cores.
function(zarquel_register_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "SERIAL" "" "")
  set(serial FALSE)
  if(arg_SERIAL)
    set(serial TRUE)
  endif()
  if(ZARQUEL_TSAN AND NOT name IN_LIST ZARQUEL_THREAD_TESTS)
    return()
  endif()
  if(NOT ZARQUEL_TSAN AND NOT ZARQUEL_SANITIZE)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES RUN_SERIAL ${serial})
  endif()
  add_test(NAME ${name}.Whole COMMAND ${name})
  # A program's whole run lasts about as long as all of its tests: the
  # programs with the most test code start first, so that no long one is
  # left to end a parallel run alone. The size of the source stands for the
  # time; ctest ranks the single tests by the times of its earlier runs.
  get_target_property(sources ${name} SOURCES)
  get_target_property(folder ${name} SOURCE_DIR)
  set(size 0)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
    file(SIZE ${source} bytes)
    math(EXPR size "${size} + ${bytes}")
  endforeach()
  set_tests_properties(${name}.Whole PROPERTIES RUN_SERIAL ${serial} COST ${size})
endfunction()

# One test binary per source folder.
function(zarquel_tests name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE zarquel_test_main zarquel_test_support vorn_framework GTest::gmock)
  zarquel_register_tests(${name})
endfunction()
