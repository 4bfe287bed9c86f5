# Release packages, made by CPack from the install rules (scripts/package):
# a .zip for Windows, Debian packages for Linux.
#
# Every install() rule names one of these components; a new piece slots in by
# naming the right one:
#   brantel        Brantel.exe and the sample brantel.dat in Brantel/ (Windows
#                  archive only), with any other program for patch authors.
#   lumbrix        what an application loads at run time: the Lumbrix library
#                  (Lumbrix.dll; liblumbrix.so.N) and any library it needs.
#   lumbrix-dev    what a program builds against: headers, import libraries,
#                  static libraries, the unversioned liblumbrix.so link
#                  (NAMELINK_COMPONENT), the CMake package.
#   lumbrix-tools  programs that work on options databases (lumbrix-db,
#                  lumbrix-wizard, the Windows wizard host); an exported
#                  program goes into the export set LumbrixToolsTargets.
# The Windows archive holds all four; Debian gets liblumbrixN (lumbrix),
# liblumbrix-dev and lumbrix-tools. Version numbers come from the project
# version alone.

set(QUENVIA_PACKAGE_MAINTAINER "Quenvia Components Maintainers <quenvia-components@dorvane.example>"
    CACHE STRING "Maintainer named in the Debian packages and their changelog")
option(QUENVIA_DEBIAN_PACKAGES
       "Install what the Debian packages carry besides the build (copyright, changelog)" OFF)

set(LUMBRIX_RUNTIME_PACKAGE liblumbrix${PROJECT_VERSION_MAJOR})
set(QUENVIA_DEBIAN_REVISION 1)
set(QUENVIA_DEBIAN_VERSION ${PROJECT_VERSION}-${QUENVIA_DEBIAN_REVISION})

if(WIN32)
  # The kit's instructions at the top of the archive.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . COMPONENT lumbrix-dev)
else()
  # Manual pages of the programs, compressed without name or time.
  find_program(QUENVIA_GZIP gzip REQUIRED)
  set(manual_pages "")
  foreach(page lumbrix-db.1 lumbrix-wizard.1)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${QUENVIA_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/man/${page} > ${compressed}
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page} VERBATIM)
    list(APPEND manual_pages ${compressed})
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
  install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT lumbrix-tools)
endif()

if(QUENVIA_DEBIAN_PACKAGES AND NOT WIN32)
  # /usr/share/doc/<package>: the copyright file and the Debian changelog,
  # whose one entry is dated by SOURCE_DATE_EPOCH (the commit's time).
  string(TIMESTAMP QUENVIA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
                 ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian @ONLY)
  execute_process(COMMAND ${QUENVIA_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian
                  COMMAND_ERROR_IS_FATAL ANY)
  foreach(component_package IN ITEMS "lumbrix|${LUMBRIX_RUNTIME_PACKAGE}"
                                     "lumbrix-dev|liblumbrix-dev" "lumbrix-tools|lumbrix-tools")
    string(REPLACE "|" ";" component_package "${component_package}")
    list(GET component_package 0 component)
    list(GET component_package 1 package)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                  ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
    # These packages are not uploaded to Debian: there is no bug asking for
    # them that the first changelog entry could close.
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/overrides/${package}
         "# Not uploaded to Debian: no request for the package to close.\n"
         "${package}: initial-upload-closes-no-bugs\n")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/overrides/${package}
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  endforeach()
endif()

set(CPACK_PACKAGE_NAME quenvia14-components)
set(CPACK_PACKAGE_VENDOR "DORVANE Software Inc.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUENVIA_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
# The same bytes from the same commit: see these two scripts.
set(CPACK_QUENVIA_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStaging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageFinish.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brantel and Lumbrix, components of Quenvia 14.0")
  set(CPACK_COMPONENTS_ALL brantel lumbrix lumbrix-dev lumbrix-tools)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_COMPONENTS_ALL lumbrix lumbrix-dev lumbrix-tools)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-linux)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUENVIA_DEBIAN_REVISION})
  set(CPACK_DEBIAN_PACKAGE_SOURCE lumbrix)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUENVIA_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Dependencies on the system's libraries as dpkg-shlibdeps finds them; the
  # library's own package is named below (the build tree has the library
  # but no package information for it).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
      ${CMAKE_BINARY_DIR}/options_manager ${CMAKE_BINARY_DIR}/framework)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

  set(CPACK_DEBIAN_LUMBRIX_PACKAGE_NAME ${LUMBRIX_RUNTIME_PACKAGE})
  set(CPACK_DEBIAN_LUMBRIX_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LUMBRIX_DESCRIPTION "options manager library for wizard panels
Lumbrix loads an options database (a plain file, or a named stream inside
a compound file) of option records grouped by panel. It hands an
application each panel's options in name order, follows a choice to the
options offered on the next panel, and remembers the last choice of every
panel in an INI file.

This package holds the shared library.")

  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_NAME liblumbrix-dev)
  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_DEPENDS
      "${LUMBRIX_RUNTIME_PACKAGE} (= ${QUENVIA_DEBIAN_VERSION})")
  set(CPACK_DEBIAN_LUMBRIX-DEV_DESCRIPTION "options manager library for wizard panels - development files
Lumbrix loads an options database of option records grouped by panel and
hands an application each panel's options in name order.

This package holds what a C++ program needs to build against the library:
the headers (with those of the framework they use), the framework's static
libraries, and the CMake package: find_package(Lumbrix CONFIG) and
target_link_libraries(app PRIVATE Lumbrix::lumbrix).")

  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_NAME lumbrix-tools)
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_DEPENDS
      "${LUMBRIX_RUNTIME_PACKAGE} (>= ${QUENVIA_DEBIAN_VERSION})")
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_DESCRIPTION "tools for Lumbrix options databases
lumbrix-db writes options databases from a JSON description, shows a
database as JSON and checks a database the way a wizard would meet it.
lumbrix-wizard walks the panels of a database in a terminal as an
application's wizard would.")
endif()

include(CPack)
