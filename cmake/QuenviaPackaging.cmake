# Release packages, made by CPack from the install rules (scripts/package):
# a .zip for Windows, Debian packages for Linux.
#
# Every install() rule names one of these components; a new piece slots in by
# naming the right one:
#   brantel            Brantel.exe, the sample brantel.dat and brantel-check.exe
#                      in Brantel/ (Windows); brantel-check for patch authors
#                      and administrators (Linux).
#   lumbrix            the Lumbrix library an application loads (Lumbrix.dll;
#                      liblumbrix.so.N).
#   lumbrix-framework  the framework library Lumbrix and its hosts share
#                      (LumbrixFramework.dll; liblumbrix-framework.so.N): a
#                      package of its own on Debian, one SONAME per package.
#   lumbrix-dev        what a program builds against: headers, import
#                      libraries, the unversioned .so links (NAMELINK_COMPONENT),
#                      the CMake package.
#   lumbrix-tools      programs that work on options databases (lumbrix-db,
#                      lumbrix-wizard, LumbrixWizard.exe); an exported program
#                      goes into the export set LumbrixToolsTargets.
# The Windows archive holds them all; Debian gets one package for each:
# brantel-check, liblumbrixN, liblumbrix-frameworkN, liblumbrix-dev and
# lumbrix-tools. Version numbers come from the project version alone.

set(QUENVIA_PACKAGE_MAINTAINER "Quenvia Components Maintainers <quenvia-components@dorvane.example>"
    CACHE STRING "Maintainer named in the Debian packages and their changelog")
option(QUENVIA_DEBIAN_PACKAGES
       "Install what the Debian packages carry besides the build (copyright, changelog)" OFF)

set(LUMBRIX_RUNTIME_PACKAGE liblumbrix${PROJECT_VERSION_MAJOR})
set(LUMBRIX_FRAMEWORK_PACKAGE liblumbrix-framework${PROJECT_VERSION_MAJOR})
set(QUENVIA_DEBIAN_SOURCE quenvia14-components)
set(QUENVIA_DEBIAN_REVISION 1)
set(QUENVIA_DEBIAN_VERSION ${PROJECT_VERSION}-${QUENVIA_DEBIAN_REVISION})

if(WIN32)
  # The kit's instructions at the top of the archive.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . COMPONENT lumbrix-dev)
else()
  # Manual pages of the programs, compressed without name or time.
  find_program(QUENVIA_GZIP gzip REQUIRED)
  set(manual_pages "")
  foreach(page_component IN ITEMS "lumbrix-db.1|lumbrix-tools" "lumbrix-wizard.1|lumbrix-tools"
                                  "brantel-check.1|brantel")
    string(REPLACE "|" ";" page_component "${page_component}")
    list(GET page_component 0 page)
    list(GET page_component 1 component)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${QUENVIA_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/man/${page} > ${compressed}
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page} VERBATIM)
    list(APPEND manual_pages ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
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
                                     "lumbrix-framework|${LUMBRIX_FRAMEWORK_PACKAGE}"
                                     "lumbrix-dev|liblumbrix-dev" "lumbrix-tools|lumbrix-tools"
                                     "brantel|brantel-check")
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
  set(CPACK_COMPONENTS_ALL brantel lumbrix lumbrix-framework lumbrix-dev lumbrix-tools)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_COMPONENTS_ALL brantel lumbrix lumbrix-framework lumbrix-dev lumbrix-tools)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-linux)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUENVIA_DEBIAN_REVISION})
  set(CPACK_DEBIAN_PACKAGE_SOURCE ${QUENVIA_DEBIAN_SOURCE})
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUENVIA_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Dependencies on the system's libraries as dpkg-shlibdeps finds them. It
  # knows nothing of the packages made here (CPack runs it on one package at
  # a time, without the others' shlibs files), so those are named below.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
      ${CMAKE_BINARY_DIR}/options_manager ${CMAKE_BINARY_DIR}/framework)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # What the shlibs files of the two libraries promise: this version or a later one.
  set(runtime_dependency "${LUMBRIX_RUNTIME_PACKAGE} (>= ${QUENVIA_DEBIAN_VERSION})")
  set(framework_dependency "${LUMBRIX_FRAMEWORK_PACKAGE} (>= ${QUENVIA_DEBIAN_VERSION})")

  set(CPACK_DEBIAN_LUMBRIX-FRAMEWORK_PACKAGE_NAME ${LUMBRIX_FRAMEWORK_PACKAGE})
  set(CPACK_DEBIAN_LUMBRIX-FRAMEWORK_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LUMBRIX-FRAMEWORK_DESCRIPTION "application framework library shared by Lumbrix and its hosts
A small application framework on the C++ standard library: a UTF-16
string class, collections, files and archives, run-time classes and
exceptions, with the operating system layer under them. Lumbrix and the
programs that host it share this one library, so that a process has one
copy of the framework's state: class records, registered classes and
exception types.

This package holds the shared library.")

  set(CPACK_DEBIAN_LUMBRIX_PACKAGE_NAME ${LUMBRIX_RUNTIME_PACKAGE})
  set(CPACK_DEBIAN_LUMBRIX_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LUMBRIX_PACKAGE_DEPENDS "${framework_dependency}")
  set(CPACK_DEBIAN_LUMBRIX_DESCRIPTION "options manager library for wizard panels
Lumbrix loads an options database (a plain file, or a named stream inside
a compound file) of option records grouped by panel. It hands an
application each panel's options in name order, follows a choice to the
options offered on the next panel, and remembers the last choice of every
panel in an INI file.

This package holds the shared library.")

  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_NAME liblumbrix-dev)
  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_SECTION libdevel)
  # The headers of this version, for the libraries of this version.
  set(CPACK_DEBIAN_LUMBRIX-DEV_PACKAGE_DEPENDS
      "${LUMBRIX_RUNTIME_PACKAGE} (= ${QUENVIA_DEBIAN_VERSION}), ${LUMBRIX_FRAMEWORK_PACKAGE} (= ${QUENVIA_DEBIAN_VERSION})")
  set(CPACK_DEBIAN_LUMBRIX-DEV_DESCRIPTION "options manager library for wizard panels - development files
Lumbrix loads an options database of option records grouped by panel and
hands an application each panel's options in name order.

This package holds what a program needs to build against the library: the
C++ headers (with those of the framework they use), the C interface
<lumbrix/lumbrix.h>, the links liblumbrix.so and liblumbrix-framework.so,
and the CMake package: find_package(Lumbrix CONFIG) and
target_link_libraries(app PRIVATE Lumbrix::lumbrix).")

  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_NAME lumbrix-tools)
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_PACKAGE_DEPENDS "${runtime_dependency}, ${framework_dependency}")
  set(CPACK_DEBIAN_LUMBRIX-TOOLS_DESCRIPTION "tools for Lumbrix options databases
lumbrix-db writes options databases from a JSON description, shows a
database as JSON and checks a database the way a wizard would meet it.
lumbrix-wizard walks the panels of a database in a terminal as an
application's wizard would.")

  set(CPACK_DEBIAN_BRANTEL_PACKAGE_NAME brantel-check)
  set(CPACK_DEBIAN_BRANTEL_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_BRANTEL_DESCRIPTION "checks Brantel patch descriptors before a patch ships
Brantel applies one patch to an installed Quenvia 14.0 on Windows, as its
patch descriptor brantel.dat says. brantel-check is built from Brantel's
own code: it reads a descriptor exactly as Brantel does and reports, line
by line, what Brantel would refuse and what is risky, so that a patch
package built on this machine is known to be accepted before it ships.
It also makes Brantel's whole run without any of its effects, for a
Brantel built for this system.")
endif()

include(CPack)
