# What `cmake --install` puts in place for users of Lumbrix: the library, its
# headers (the C++ class and the C interface), the shared framework library
# (with the platform layer inside) and its headers, the two tools, and a
# CMake package so that a consumer writes
#   find_package(Lumbrix CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE Lumbrix::lumbrix)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LUMBRIX_PACKAGE_VERSION ${PROJECT_VERSION})
# The framework's headers (afx*.h, afx/, platform/) in a folder of their own,
# so they cannot be mistaken for the system's.
set(LUMBRIX_FRAMEWORK_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/lumbrix/framework)
set(LUMBRIX_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Lumbrix)

# Every rule names its install component (cmake/QuenviaPackaging.cmake):
# lumbrix and lumbrix-framework (what runs), lumbrix-dev (what builds
# against it), lumbrix-tools.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/options_manager/include/lumbrix
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT lumbrix-dev FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/framework/include/
        DESTINATION ${LUMBRIX_FRAMEWORK_INCLUDEDIR} COMPONENT lumbrix-dev
        FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/platform
        DESTINATION ${LUMBRIX_FRAMEWORK_INCLUDEDIR} COMPONENT lumbrix-dev
        FILES_MATCHING PATTERN "*.h")

install(FILES ${PROJECT_BINARY_DIR}/options_manager/include/lumbrix/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumbrix COMPONENT lumbrix-dev)

# Lumbrix.dll and LumbrixFramework.dll side by side in bin (import libraries
# in lib); liblumbrix.so.1 and liblumbrix-framework.so.1 in lib, the first
# finding the second beside itself where lib is not a system folder.
list(FIND CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" system_libdir)
if(system_libdir EQUAL -1)
  set_target_properties(lumbrix PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
install(TARGETS lumbrix EXPORT LumbrixTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumbrix
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumbrix NAMELINK_COMPONENT lumbrix-dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumbrix-dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${LUMBRIX_FRAMEWORK_INCLUDEDIR})
install(TARGETS framework_shared EXPORT LumbrixTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumbrix-framework
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumbrix-framework
          NAMELINK_COMPONENT lumbrix-dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumbrix-dev
  INCLUDES DESTINATION ${LUMBRIX_FRAMEWORK_INCLUDEDIR})

# The installed programs find the library in the prefix's own lib folder,
# unless that is a folder the system searches anyway (/usr/lib/...).
if(system_libdir EQUAL -1)
  set_target_properties(lumbrix-db lumbrix-wizard PROPERTIES
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
# The programs have an export file of their own, in their own component, so
# that the package of the library works without them.
install(TARGETS lumbrix-db lumbrix-wizard EXPORT LumbrixToolsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumbrix-tools)

install(EXPORT LumbrixTargets NAMESPACE Lumbrix:: DESTINATION ${LUMBRIX_CMAKEDIR}
        COMPONENT lumbrix-dev)
install(EXPORT LumbrixToolsTargets NAMESPACE Lumbrix:: DESTINATION ${LUMBRIX_CMAKEDIR}
        COMPONENT lumbrix-tools)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/LumbrixConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/LumbrixConfig.cmake
  INSTALL_DESTINATION ${LUMBRIX_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/LumbrixConfigVersion.cmake
  VERSION ${LUMBRIX_PACKAGE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LumbrixConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/LumbrixConfigVersion.cmake
        DESTINATION ${LUMBRIX_CMAKEDIR} COMPONENT lumbrix-dev)
