# Installs a build tree into a prefix of its own, builds examples/consumer
# against that prefix with find_package(Lumbrix CONFIG), makes databases with
# the installed lumbrix-db and runs the consumer on them.
#   cmake -DBUILD_DIR=... -DCONSUMER_SOURCE=... -DWORK_DIR=... -DGENERATOR=...
#         [-DCXX_COMPILER=...] [-DTOOLCHAIN_FILE=...] [-DEMULATOR=...] -P InstalledPackage.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../support/ScriptSteps.cmake)

function(expect_equal what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}:\n--- expected\n${expected}\n--- got\n${actual}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
if(EMULATOR)
  # Programs of a Windows build run in that build's Wine prefix.
  set(ENV{WINEPREFIX} ${BUILD_DIR}/wineprefix)
  set(exe .exe)
endif()

run_step("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file include/lumbrix/OptionsManager.h include/lumbrix/OptionLocus.h
             include/lumbrix/Export.h include/lumbrix/lumbrix.h include/lumbrix/version.h
             include/lumbrix/framework/afxtempl.h
             include/lumbrix/framework/afx/archive.h include/lumbrix/framework/platform/text.h
             bin/lumbrix-db${exe} bin/lumbrix-wizard${exe})
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The framework library the host shares with Lumbrix, beside Lumbrix itself.
file(GLOB_RECURSE framework_library ${prefix}/*LumbrixFramework.dll ${prefix}/*liblumbrix-framework.so.1)
if(NOT framework_library)
  message(FATAL_ERROR "not installed: the framework library")
endif()
file(GLOB_RECURSE config_files ${prefix}/*/LumbrixConfig.cmake ${prefix}/*/LumbrixConfigVersion.cmake)
list(LENGTH config_files config_count)
if(NOT config_count EQUAL 2)
  message(FATAL_ERROR "the package files are missing: ${config_files}")
endif()

set(configure ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN_FILE)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
elseif(CXX_COMPILER)
  list(APPEND configure -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
endif()
run_step("configuring the consumer" ${configure})
run_step("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)

# Options out of name order, a name outside ASCII, and a second panel.
file(WRITE ${WORK_DIR}/options.json [=[
{"panels": [
  {"panel": 4, "options": [
    {"id": 1, "name": "alpha", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []},
    {"id": 2, "name": "Beta", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 5, "next_ids": [1]},
    {"id": 3, "name": "Été", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []}]},
  {"panel": 5, "options": [
    {"id": 1, "name": "Aardvark", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []}]}]}
]=])
set(expected "Panel 4\n  Beta (id 2, next panel 5)\n  alpha (id 1, next panel 0)\n  Été (id 3, next panel 0)\n")

run_step("lumbrix-db build" ${EMULATOR} ${prefix}/bin/lumbrix-db${exe} build
         ${WORK_DIR}/options.json ${WORK_DIR}/plain.db)
run_step("lumbrix-db check" ${EMULATOR} ${prefix}/bin/lumbrix-db${exe} check ${WORK_DIR}/plain.db)
run_step("the consumer" ${EMULATOR} ${WORK_DIR}/consumer/lumbrix-consumer${exe} ${WORK_DIR}/plain.db)
expect_equal("the consumer on a plain database" "${step_output}" "${expected}")

run_step("lumbrix-db build --stream" ${EMULATOR} ${prefix}/bin/lumbrix-db${exe} build
         ${WORK_DIR}/options.json ${WORK_DIR}/compound.db --stream Options.dat)
run_step("the consumer" ${EMULATOR} ${WORK_DIR}/consumer/lumbrix-consumer${exe}
         ${WORK_DIR}/compound.db Options.dat)
expect_equal("the consumer on a compound database" "${step_output}" "${expected}")
message(STATUS "installed package: consumer built and run")
