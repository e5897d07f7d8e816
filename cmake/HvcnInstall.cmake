# Install layout: the library with its SONAME link and the resource
# libraries beside it, the header, the tool with its man page and bash
# completion, the documentation.

# Everything the install takes, as one target: scripts/demo.sh builds it, so
# that `cmake --install` works after the quick start without the tests.
add_custom_target(hvcn_installables)
add_dependencies(hvcn_installables hvcn tarnres tarnresIT)
if(HVCN_BUILD_TOOLS)
  add_dependencies(hvcn_installables hvcn_cli)
  if(TARGET hvcn_help_files)
    add_dependencies(hvcn_installables hvcn_help_files)
  endif()
endif()
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

# Windows: beside hvcn.dll also the Microsoft-format import library, the
# module definition and the header, so that the DLL's folder is all a
# Windows developer needs; and README-Windows.txt at the top.
if(WIN32)
  install(FILES ${HVCN_MSVC_IMPORT_LIBRARY} ${HVCN_DEF_FILE} ${PROJECT_SOURCE_DIR}/api/hvcn.h
          DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(HVCN_WINDOWS_NAME "32-bit Windows (x86)")
    set(HVCN_WINDOWS_CALLING [[
  - 32-bit Windows: every function is __stdcall (the header's HVCN_CALL)
    and is exported under its plain name. hvcn.lib binds the decorated
    names a compiler refers to (_hvcnVersion@12) to those plain names.
    Allocate 7444 bytes (hvcnFORMAT_SIZE_WIN32) for an hvcnFormat.]])
  else()
    set(HVCN_WINDOWS_NAME "64-bit Windows (x64)")
    set(HVCN_WINDOWS_CALLING [[
  - 64-bit Windows has one calling convention. Allocate
    sizeof(hvcnFormat) bytes (7488) for an hvcnFormat.]])
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/README-Windows.txt.in ${PROJECT_BINARY_DIR}/README-Windows.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt DESTINATION .)
endif()

# The README and the reference pages below it, as in the source tree, so
# that the links between them hold.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
