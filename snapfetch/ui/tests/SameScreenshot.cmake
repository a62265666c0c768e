# Takes the main window's screenshot with the host's fontconfig configuration
# and again under each of the given ones, which rank other families first,
# and fails unless every picture is the same as the host's.
#   cmake -DPROGRAM=ui_window_tests -DSCRATCH=folder "-DCONFIGS=a.conf|b.conf" -P SameScreenshot.cmake
string(REPLACE "|" ";" CONFIGS "${CONFIGS}")
set(runs host)
foreach(config IN LISTS CONFIGS)
  get_filename_component(name ${config} NAME_WE)
  list(APPEND runs ${name})
  set(config_of_${name} ${config})
endforeach()

foreach(run IN LISTS runs)
  set(folder ${SCRATCH}/${run})
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder})
  set(ENV{XDG_DATA_HOME} ${folder}/data)
  set(ENV{WINPLAT_RUNTIME_DIR} ${folder}/run)
  set(ENV{WINPLAT_TEST_SCRATCH} ${folder})
  if(DEFINED config_of_${run})
    set(ENV{FONTCONFIG_FILE} ${config_of_${run}})
  endif()
  execute_process(COMMAND ${PROGRAM} --gtest_filter=GridTest.ScreenshotOfNinePicturesOneSelected
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT EXISTS ${folder}/snapfetch_main_window.png)
    message(FATAL_ERROR "The screenshot with the ${run} fonts failed (${status}):\n${output}")
  endif()
  # The one encoder writes every picture, so the same pixels make the same bytes.
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/host/snapfetch_main_window.png
                          ${folder}/snapfetch_main_window.png RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "The main window looks different with the ${run} fonts: compare "
                        "${SCRATCH}/host/snapfetch_main_window.png and ${folder}/snapfetch_main_window.png")
  endif()
endforeach()
message(STATUS "The main window is the same with the fonts of: ${runs}")
