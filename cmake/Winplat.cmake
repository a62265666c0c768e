# Helpers for the platform stand-in and the programs built on it.

# The platform's API (the Windows, framework and still-image headers) and the
# stand-in's own interfaces (winplat/...), as the targets winplat_api and
# winplat_internal (platform/CMakeLists.txt). The deliverables see only the API.
set(WINPLAT_API_INCLUDE_DIR ${CMAKE_SOURCE_DIR}/platform/include)
set(WINPLAT_INTERNAL_INCLUDE_DIR ${CMAKE_SOURCE_DIR}/platform/internal)

# A system library of the platform: a shared library that offers the
# platform's API to its users and is built with the stand-in's internals,
# exporting only what is marked WINPLAT_EXPORT.
function(winplat_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  set_property(GLOBAL APPEND PROPERTY WINPLAT_LIBRARIES ${name})
  target_link_libraries(${name} PUBLIC winplat_api PRIVATE winplat_internal)
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

# Registry entries: absolute paths for the build tree, and paths relative to
# the registry file for an installed tree, whose modules sit beside it.
function(winplat_register_class clsid target)
  set_property(GLOBAL APPEND PROPERTY WINPLAT_CLASSES "${clsid}=$<TARGET_FILE:${target}>")
  set_property(GLOBAL APPEND PROPERTY WINPLAT_INSTALLED_CLASSES "${clsid}=./$<TARGET_FILE_NAME:${target}>")
  set_property(GLOBAL APPEND PROPERTY WINPLAT_MODULES ${target})
endfunction()

function(winplat_register_driver name target)
  set_property(GLOBAL APPEND PROPERTY WINPLAT_DRIVERS "${name}=$<TARGET_FILE:${target}>")
  set_property(GLOBAL APPEND PROPERTY WINPLAT_INSTALLED_DRIVERS "${name}=./$<TARGET_FILE_NAME:${target}>")
  set_property(GLOBAL APPEND PROPERTY WINPLAT_MODULES ${target})
endfunction()

#   winplat_write_registry(<file> [INSTALLED])
function(winplat_write_registry file)
  cmake_parse_arguments(ARG "INSTALLED" "" "" ${ARGN})
  set(prefix "")
  set(what "the modules of this build tree")
  if(ARG_INSTALLED)
    set(prefix "INSTALLED_")
    set(what "the installed modules, relative to this file's folder")
  endif()
  get_property(classes GLOBAL PROPERTY WINPLAT_${prefix}CLASSES)
  get_property(drivers GLOBAL PROPERTY WINPLAT_${prefix}DRIVERS)
  set(text "; Written by the build: ${what}.\n[Classes]\n")
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

# Registers one run of a test program (tests may use the stand-in's
# internals: test automation, host paths, plugging devices), with folders of its own for the
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
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} winplat_internal GTest::gtest GTest::gtest_main
                                        Threads::Threads)
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
# The script's folder and the platform's API headers are searched for
# includes; files the script reads (headers, bitmaps, icons) are tracked by
# the build. The compiled resources enter themselves through the stand-in's
# resource registry, so that one generated file alone sees the internals.
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
  list(APPEND include_flags -I ${WINPLAT_API_INCLUDE_DIR})
  add_custom_command(
    OUTPUT ${output}
    COMMAND winplat_rc ${include_flags} -d ${output}.d -o ${output} ${script_path}
    DEPENDS winplat_rc ${script_path} ${ARG_DEPENDS}
    DEPFILE ${output}.d
    COMMENT "Compiling resources ${script}"
    VERBATIM)
  set_source_files_properties(${output} PROPERTIES INCLUDE_DIRECTORIES ${WINPLAT_INTERNAL_INCLUDE_DIR})
  target_sources(${target} PRIVATE ${output})
  target_link_libraries(${target} PRIVATE winplat_api)
endfunction()

# A test that `target` (a deliverable) sees only the platform's API: a probe
# including a winplat/ header does not compile with its include folders.
function(winplat_check_api_only target)
  add_test(NAME ${target}_api_only
    COMMAND ${CMAKE_COMMAND} -DTARGET=${target} -DCOMPILER=${CMAKE_CXX_COMPILER}
            -DPROBE=${CMAKE_SOURCE_DIR}/cmake/api_only_probe.cpp -DINTERNAL_DIR=${WINPLAT_INTERNAL_INCLUDE_DIR}
            "-DINCLUDES=$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,|>"
            "-DDEFINES=$<JOIN:$<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>,|>"
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckApiOnly.cmake)
  set_tests_properties(${target}_api_only PROPERTIES TIMEOUT 120)
endfunction()

# A test that the program `target` loads no window library when it starts
# (user32, gdi32, comctl32, shell32, mfc, the display, SDL or X): what it
# runs on works on a machine without a screen.
function(winplat_check_no_window_library target)
  add_test(NAME ${target}_links_no_window_library
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -P ${CMAKE_SOURCE_DIR}/cmake/CheckNoWindowLibrary.cmake)
  set_tests_properties(${target}_links_no_window_library PROPERTIES TIMEOUT 60)
endfunction()
