# Each layer of the core is one static library. Its headers are reached as
# "<layer>/<header>.hpp" through an include folder of its own (a link to the
# layer's source folder placed in the build tree), and a library sees only its
# own folder and those of the layers it links. A header that reaches into a
# layer above it therefore fails to compile instead of silently coupling them.
function(torvane_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  set(include_root "${CMAKE_BINARY_DIR}/layer-include/${name}")
  file(MAKE_DIRECTORY "${include_root}")
  if(NOT EXISTS "${include_root}/${name}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${include_root}/${name}" SYMBOLIC)
  endif()
  add_library(torvane_${name} STATIC ${ARG_SOURCES})
  target_include_directories(torvane_${name} PUBLIC "${include_root}")
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(torvane_${name} PUBLIC torvane_${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(torvane_${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# One GoogleTest executable per folder of tests; each test case becomes a CTest test.
# TIMEOUT (seconds) fails a test case that runs longer, so a case whose fault
# is a hang fails instead of holding the run.
function(torvane_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  set(properties ENVIRONMENT "TZ=UTC")
  if(ARG_TIMEOUT)
    list(APPEND properties TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) each process costs a second or more: the
    # program runs once as one test, its cases reported in its output.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ${properties})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  endif()
endfunction()
