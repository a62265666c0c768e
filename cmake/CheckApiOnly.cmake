# Run by the <target>_api_only tests (see winplat_check_api_only): a probe
# compiles with the target's include folders and definitions, and must fail
# once it includes one of the stand-in's own headers, which compiles as soon
# as their folder is added.
#   cmake -DTARGET=<name> -DCOMPILER=<c++> -DPROBE=<file> -DINTERNAL_DIR=<dir>
#         "-DINCLUDES=<dir>|<dir>..." "-DDEFINES=<def>|<def>..." -P CheckApiOnly.cmake
string(REPLACE "|" ";" includes "${INCLUDES}")
string(REPLACE "|" ";" defines "${DEFINES}")
set(flags -std=c++20 -fsyntax-only)
foreach(dir IN LISTS includes)
  list(APPEND flags -I${dir})
endforeach()
foreach(definition IN LISTS defines)
  list(APPEND flags -D${definition})
endforeach()

function(compile_probe result_var errors_var)
  execute_process(COMMAND ${COMPILER} ${flags} ${ARGN} ${PROBE}
                  RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${errors_var} "${errors}" PARENT_SCOPE)
endfunction()

compile_probe(result errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TARGET}: the platform's API headers do not compile:\n${errors}")
endif()
compile_probe(result errors -DPROBE_INTERNAL)
if(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} can include the stand-in's own headers (winplat/host.h)")
endif()
if(NOT errors MATCHES "winplat/host\\.h")
  message(FATAL_ERROR "${TARGET}: the probe failed for another reason than the missing winplat/host.h:\n${errors}")
endif()
compile_probe(result errors -DPROBE_INTERNAL -I${INTERNAL_DIR})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "winplat/host.h does not compile from ${INTERNAL_DIR}:\n${errors}")
endif()
message(STATUS "${TARGET} sees the platform's API and not the stand-in's internals")
