# Warnings, errors and platform flags shared by every target of the project.
add_library(project_options INTERFACE)

target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast -Werror)

if(WIN32)
  target_compile_definitions(project_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # No runtime DLLs of the toolchain beside our programs.
  target_link_options(project_options INTERFACE -static-libgcc -static-libstdc++)
  # No link time in the PE headers: the same sources give the same bytes.
  target_link_options(project_options INTERFACE -Wl,--no-insert-timestamp)
endif()

if(QUENVIA_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

if(QUENVIA_FUZZ)
  # Coverage for libFuzzer in every library the fuzzers reach; undefined
  # behaviour aborts, so the fuzzer counts it as a crash.
  target_compile_options(project_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# Links a Windows executable with no dependency on the toolchain's DLLs.
function(quenvia_static_windows_exe target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# A header-only package of the build machine (nlohmann-json, CLI11) for a
# target. A cross build must not see the build machine's /usr/include, whose
# C library headers would shadow the target's: only the package's own header
# folder is linked into a folder of the build.
function(quenvia_use_header_only target scope package_target folder)
  if(NOT CMAKE_CROSSCOMPILING)
    target_link_libraries(${target} ${scope} ${package_target})
    return()
  endif()
  get_target_property(includes ${package_target} INTERFACE_INCLUDE_DIRECTORIES)
  set(found "")
  foreach(dir IN LISTS includes)
    if(NOT found AND IS_DIRECTORY "${dir}/${folder}")
      set(found "${dir}/${folder}")
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "${target}: no ${folder}/ headers in ${includes}")
  endif()
  set(view ${CMAKE_CURRENT_BINARY_DIR}/header-only)
  file(MAKE_DIRECTORY ${view})
  file(CREATE_LINK ${found} ${view}/${folder} SYMBOLIC)
  target_include_directories(${target} SYSTEM ${scope} ${view})
endfunction()
