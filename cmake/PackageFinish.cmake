# Run by CPack on the packages it made. Each is rewritten by a tool that
# writes the same bytes for the same files (sorted entries, the time of
# SOURCE_DATE_EPOCH, root as owner, no access or change times):
# - a .zip is unpacked and zipped again in name order by zip -X;
# - a .deb is unpacked and built again by dpkg-deb. A shared library's
#   package gets the ldconfig trigger in place of the maintainer scripts
#   that CPack writes to call ldconfig.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  set(work "${CPACK_TOPLEVEL_DIRECTORY}/finish/${name}")
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  if(name MATCHES "\\.zip$")
    execute_process(COMMAND unzip -q -X "${package}" -d "${work}" COMMAND_ERROR_IS_FATAL ANY)
    # unzip leaves a folder that has no entry of its own with today's time.
    execute_process(
      COMMAND find "${work}" -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
      COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE "${package}")
    execute_process(
      COMMAND find . -mindepth 1
      COMMAND sort
      COMMAND zip -q -X -9 -@ "${package}"
      WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY)
  elseif(name MATCHES "\\.deb$")
    execute_process(COMMAND dpkg-deb -R "${package}" "${work}" COMMAND_ERROR_IS_FATAL ANY)
    set(control "${work}/DEBIAN")
    if(EXISTS "${control}/postinst")
      foreach(script postinst postrm)
        file(READ "${control}/${script}" text)
        string(REGEX REPLACE "[ \t\n]" "" text "${text}")
        if(NOT text MATCHES "^#!/bin/shset-eif\\[\"\\$1\"=\"[a-z]+\"\\];thenldconfigfi$")
          message(FATAL_ERROR "${name}: ${script} does more than call ldconfig")
        endif()
        file(REMOVE "${control}/${script}")
      endforeach()
      file(WRITE "${control}/triggers" "activate-noawait ldconfig\n")
    endif()
    file(REMOVE "${package}")
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${work}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
