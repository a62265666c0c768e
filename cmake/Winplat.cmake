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

# A fontconfig configuration that ranks other families (Noto) first for every
# generic name and for the platform's face names.
set(WINPLAT_OTHER_FONTS_CONF ${CMAKE_SOURCE_DIR}/platform/gdi32/tests/other-fonts.conf)

# Registers one run of a test program, with folders of its own for the
# platform's per-user data and live state, so nothing touches the home
# folder of whoever runs the tests.
function(winplat_add_test_run name program timeout environment)
  add_test(NAME ${name} COMMAND ${program})
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${name})
  file(MAKE_DIRECTORY ${scratch})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout}
    ENVIRONMENT "XDG_DATA_HOME=${scratch}/data;WINPLAT_RUNTIME_DIR=${scratch}/run;WINPLAT_TEST_SCRATCH=${scratch};${environment}")
endfunction()

# A GoogleTest program run by CTest. OTHER_FONTS: a test that draws text
# runs a second time (<name>_other_fonts) under the configuration above,
# where it must pass just the same.
function(winplat_test name)
  cmake_parse_arguments(ARG "OTHER_FONTS" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${WINPLAT_INCLUDE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  winplat_add_test_run(${name} ${name} ${ARG_TIMEOUT} "${ARG_ENVIRONMENT}")
  if(ARG_OTHER_FONTS)
    winplat_add_test_run(${name}_other_fonts ${name} ${ARG_TIMEOUT}
      "${ARG_ENVIRONMENT};FONTCONFIG_FILE=${WINPLAT_OTHER_FONTS_CONF};WINPLAT_TEST_FIRST_FAMILY=Noto")
  endif()
endfunction()

# Compiles a resource script with the project's resource compiler and links
# the resources into `target`: they are registered for the target's module
# when it loads (FindResourceA, LoadBitmapA, DialogBoxParamA... find them).
# The script's folder and the platform's headers are searched for includes;
# files the script reads (headers, bitmaps, icons) are tracked by the build.
#   winplat_add_resources(<target> <script.rc> [DEPENDS files...] [INCLUDES folders...])
function(winplat_add_resources target script)
  cmake_parse_arguments(ARG "" "" "DEPENDS;INCLUDES" ${ARGN})
  get_filename_component(script_path ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(script_dir ${script_path} DIRECTORY)
  get_filename_component(script_name ${script_path} NAME_WE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}_rc.cpp)
  set(include_flags -I ${script_dir})
  foreach(dir IN LISTS ARG_INCLUDES)
    get_filename_component(dir ${dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND include_flags -I ${dir})
  endforeach()
  list(APPEND include_flags -I ${WINPLAT_INCLUDE_DIR})
  add_custom_command(
    OUTPUT ${output}
    COMMAND winplat_rc ${include_flags} -d ${output}.d -o ${output} ${script_path}
    DEPENDS winplat_rc ${script_path} ${ARG_DEPENDS}
    DEPFILE ${output}.d
    COMMENT "Compiling resources ${script}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  target_include_directories(${target} PRIVATE ${WINPLAT_INCLUDE_DIR})
endfunction()
