# Install layout: the library with its SONAME link and the resource
# libraries beside it, the header, the tool with its man page and bash
# completion, the documentation.
install(TARGETS hvcn
  EXPORT hvcnTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(WIN32)
  set(_hvcn_resource_destination ${CMAKE_INSTALL_BINDIR})
else()
  set(_hvcn_resource_destination ${CMAKE_INSTALL_LIBDIR})
endif()
install(TARGETS tarnres tarnresIT
  LIBRARY DESTINATION ${_hvcn_resource_destination}
  RUNTIME DESTINATION ${_hvcn_resource_destination})

if(HVCN_BUILD_TOOLS)
  install(TARGETS hvcn_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The man page and the bash completion, where the build made them.
  if(HVCN_MAN_PAGE)
    install(FILES ${HVCN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${HVCN_BASH_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
            RENAME hvcn)
  endif()
endif()

# The README and the reference pages below it, as in the source tree, so
# that the links between them hold.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A relocatable pkg-config file and a CMake package.
include(CMakePackageConfigHelpers)
file(RELATIVE_PATH HVCN_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
string(REGEX REPLACE "/$" "" HVCN_PC_TO_PREFIX "${HVCN_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/hvcn.pc.in ${PROJECT_BINARY_DIR}/hvcn.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hvcn.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(HVCN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/hvcn)
install(EXPORT hvcnTargets NAMESPACE hvcn:: DESTINATION ${HVCN_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/hvcnConfig.cmake.in
  ${PROJECT_BINARY_DIR}/hvcnConfig.cmake INSTALL_DESTINATION ${HVCN_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hvcnConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hvcnConfig.cmake ${PROJECT_BINARY_DIR}/hvcnConfigVersion.cmake
  DESTINATION ${HVCN_CMAKE_DIR})
