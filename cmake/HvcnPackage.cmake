# The Windows package: a ZIP of the install tree (the DLLs, the tool, the
# header, hvcn.lib, hvcn.def, README-Windows.txt and the mingw-w64 and CMake
# files), written to package/ of the build tree by cpack:
#   cmake --workflow --preset mingw-i686-package     hvcn-<version>-win32.zip
#   cmake --workflow --preset mingw-x86_64-package   hvcn-<version>-win64.zip
if(NOT WIN32)
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_hvcn_platform win32)
else()
  set(_hvcn_platform win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME hvcn)
set(CPACK_PACKAGE_VENDOR hvcn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME hvcn-${PROJECT_VERSION}-${_hvcn_platform})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The DLLs and the tool without their debug information.
set(CPACK_STRIP_FILES ON)
include(CPack)
