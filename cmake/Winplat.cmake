# Helpers for the platform stand-in and the programs built on it.

set(WINPLAT_INCLUDE_DIR ${CMAKE_SOURCE_DIR}/platform/include)

# A system library of the platform: a shared library with the platform's
# headers, exporting only what is marked WINPLAT_EXPORT.
function(winplat_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${WINPLAT_INCLUDE_DIR})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# Code written against the platform (the deliverables): the C run-time's
# fopen takes DOS paths.
function(winplat_use_crt target)
  target_link_libraries(${target} PRIVATE msvcrt)
  target_link_options(${target} PRIVATE -Wl,--wrap=fopen)
endfunction()

# Registry entries of the build tree.
function(winplat_register_class clsid target)
  set_property(GLOBAL APPEND PROPERTY WINPLAT_CLASSES "${clsid}=$<TARGET_FILE:${target}>")
endfunction()

function(winplat_register_driver name target)
  set_property(GLOBAL APPEND PROPERTY WINPLAT_DRIVERS "${name}=$<TARGET_FILE:${target}>")
endfunction()

function(winplat_write_registry file)
  get_property(classes GLOBAL PROPERTY WINPLAT_CLASSES)
  get_property(drivers GLOBAL PROPERTY WINPLAT_DRIVERS)
  set(text "; Written by the build: the modules of this build tree.\n[Classes]\n")
  foreach(line IN LISTS classes)
    string(APPEND text "${line}\n")
  endforeach()
  string(APPEND text "[Drivers]\n")
  foreach(line IN LISTS drivers)
    string(APPEND text "${line}\n")
  endforeach()
  file(GENERATE OUTPUT ${file} CONTENT "${text}")
endfunction()

# A GoogleTest program run by CTest. Each test gets folders of its own for
# the platform's per-user data and live state, so nothing touches the home
# folder of whoever runs the tests.
function(winplat_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${WINPLAT_INCLUDE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${name})
  file(MAKE_DIRECTORY ${scratch})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "XDG_DATA_HOME=${scratch}/data;WINPLAT_RUNTIME_DIR=${scratch}/run;WINPLAT_TEST_SCRATCH=${scratch};${ARG_ENVIRONMENT}")
endfunction()
