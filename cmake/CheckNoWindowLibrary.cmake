# Run by the <target>_links_no_window_library tests (see
# winplat_check_no_window_library): the libraries the program loads when it
# starts (ldd) include none of the platform's window libraries and no
# display library of the host.
#   cmake -DPROGRAM=<file> -P CheckNoWindowLibrary.cmake
execute_process(COMMAND ldd ${PROGRAM} RESULT_VARIABLE result OUTPUT_VARIABLE loaded ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed:\n${errors}")
endif()
if(NOT loaded MATCHES "libkernel32\\.so")
  message(FATAL_ERROR "ldd ${PROGRAM} does not list the platform's libraries:\n${loaded}")
endif()
set(found)
foreach(library user32 gdi32 comctl32 shell32 mfc display SDL2 X11)
  if(loaded MATCHES "(^|[\n\t /])lib${library}[-.][^\n]*")
    list(APPEND found "${CMAKE_MATCH_0}")
  endif()
endforeach()
if(found)
  string(REPLACE ";" "\n" found "${found}")
  message(FATAL_ERROR "${PROGRAM} loads window libraries:\n${found}")
endif()
message(STATUS "${PROGRAM} loads no window library")
