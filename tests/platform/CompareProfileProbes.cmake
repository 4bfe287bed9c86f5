# Generates INI scripts with the native profile_probe, runs them with it and
# with the Windows build's probe under Wine, and fails on the first case whose
# results differ. Called by ctest with NATIVE, WINDOWS, WINE_RUN, WORK, SEED
# and COUNT set.
if(NOT EXISTS "${NATIVE}")
  message("SKIPPED: no native build's probe at ${NATIVE} (build the native preset first, or set QUENVIA_NATIVE_PROFILE_PROBE)")
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(script "${WORK}/script.txt")

execute_process(COMMAND "${NATIVE}" generate ${SEED} ${COUNT} "${script}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "generating the script failed: ${status}")
endif()
execute_process(COMMAND "${NATIVE}" run "${script}" "${WORK}/native" "${WORK}/native.txt"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the native probe failed: ${status}")
endif()
execute_process(COMMAND "${WINE_RUN}" "${WINDOWS}" run "${script}" "${WORK}/windows"
                        "${WORK}/windows.txt"
  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the Windows probe failed under Wine: ${status}")
endif()

execute_process(COMMAND "${NATIVE}" compare "${WORK}/native.txt" "${WORK}/windows.txt"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Linux and Windows differ (seed ${SEED}; files in ${WORK})")
endif()
