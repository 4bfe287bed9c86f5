# Builds samples/wizard.json's database with lumbrix-db, walks it with the C
# program and, when given, the Python ctypes script, and compares what each
# prints with the expected walk.
#   cmake -DDB_TOOL=... -DWALK=... -DSAMPLE=... -DEXPECTED=... -DWORK_DIR=...
#         [-DEMULATOR=...] [-DPYTHON=... -DSCRIPT=... -DLIBRARY=...] -P c_interface_walk.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../support/ScriptSteps.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(READ ${EXPECTED} expected)

set(database ${WORK_DIR}/wizard.db)
set(ini_folder ${WORK_DIR}/)
if(EMULATOR)
  # The Windows programs see this folder on Wine's drive Z:, with the
  # backslashes their path rules go by.
  set(ENV{WINEPREFIX} ${BUILD_DIR}/wineprefix)
  string(REPLACE "/" "\\" database "Z:${database}")
  string(REPLACE "/" "\\" ini_folder "Z:${ini_folder}")
endif()

run_step("lumbrix-db build" ${EMULATOR} ${DB_TOOL} build ${SAMPLE} ${database})
run_step("the C walk" ${EMULATOR} ${WALK} ${database} ${ini_folder})
if(NOT step_output STREQUAL expected)
  message(FATAL_ERROR "the C walk:\n--- expected\n${expected}\n--- got\n${step_output}")
endif()

if(PYTHON)
  file(REMOVE ${WORK_DIR}/wizard.ini)
  run_step("the Python walk" ${PYTHON} ${SCRIPT} ${LIBRARY} ${database} ${ini_folder})
  # The Python walk stops before the missing-database part of the C one.
  string(REGEX REPLACE "Messages about[^\n]*\n" "" expected_python "${expected}")
  if(NOT step_output STREQUAL expected_python)
    message(FATAL_ERROR "the Python walk:\n--- expected\n${expected_python}\n--- got\n${step_output}")
  endif()
endif()
message(STATUS "C interface: the walks printed what was expected")
