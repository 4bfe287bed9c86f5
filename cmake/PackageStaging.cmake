# Run by CPack after it staged the files and before it archives them.
# Static libraries lose their debug information and tool stamps, as the
# programs and shared libraries did when CPack stripped them; then every file
# and folder gets the time SOURCE_DATE_EPOCH names (the commit's), so that the
# packages do not record when or where they were built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set (scripts/package sets it)")
endif()

file(GLOB_RECURSE static_libraries LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*.a")
foreach(library IN LISTS static_libraries)
  execute_process(
    COMMAND ${CPACK_QUENVIA_STRIP} --strip-debug --remove-section=.comment
            --remove-section=.note --enable-deterministic-archives ${library}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# ELF programs and libraries: no compiler stamps either (Windows programs
# carry none once stripped).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(NOT IS_SYMLINK "${file}" AND NOT file MATCHES "\\.a$")
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      execute_process(
        COMMAND ${CPACK_QUENVIA_STRIP} --remove-section=.comment --remove-section=.note ${file}
        COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endif()
endforeach()

execute_process(
  COMMAND find ${CPACK_TEMPORARY_DIRECTORY} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
  COMMAND_ERROR_IS_FATAL ANY)
