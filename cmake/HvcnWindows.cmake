# Exports of hvcn.dll.
#
# The subsystems name their exports with hvcn_exports(); once every folder has
# been read, the list is written to hvcn_exports.txt in the build tree, and
# tools/win_exports.py turns it into the module-definition file hvcn.def
# (checking each name against api/hvcn.h). So a new export needs no edit
# here.
#
# On 32-bit Windows the exports are __stdcall: the .def names the decorated
# symbols (hvcnVersion@12), the DLL is linked with --kill-at so that its
# export table holds the plain names, and the import library libhvcn.dll.a is
# made by dlltool --kill-at from the same .def, so that a program compiled
# with the header (which refers to hvcnVersion@12) imports "hvcnVersion".
#
# Beside it, hvcn.lib is the import library in Microsoft's own (short import)
# format, for programs linked with Microsoft's linker; mingw-w64's ld reads
# it too. llvm-dlltool writes it from the same .def. On 32-bit Windows with
# -k every entry has the name type "undecorate": a caller's reference to
# _hvcnVersion@12 (the header's __stdcall) binds to the plain export
# "hvcnVersion", the leading underscore and the @12 dropped by the linker.

set(HVCN_EXPORT_LIST ${PROJECT_BINARY_DIR}/hvcn_exports.txt)
set(HVCN_EXPORT_TOOL ${PROJECT_SOURCE_DIR}/tools/win_exports.py)

# Writes the export list (only when it changed, so nothing relinks for nothing).
function(hvcn_write_export_list)
  get_property(_names GLOBAL PROPERTY HVCN_EXPORTS)
  list(JOIN _names "\n" _text)
  file(CONFIGURE OUTPUT ${HVCN_EXPORT_LIST} CONTENT "${_text}\n" @ONLY)
endfunction()

function(hvcn_windows_exports target)
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL hvcn_write_export_list)

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_arch x86)
  else()
    set(_arch x64)
  endif()
  set(_def ${CMAKE_CURRENT_BINARY_DIR}/hvcn.def)
  add_custom_command(
    OUTPUT ${_def}
    COMMAND ${Python3_EXECUTABLE} ${HVCN_EXPORT_TOOL} def --exports ${HVCN_EXPORT_LIST}
            --header ${PROJECT_SOURCE_DIR}/api/hvcn.h --arch ${_arch} --library hvcn.dll
            --output ${_def}
    DEPENDS ${HVCN_EXPORT_LIST} ${PROJECT_SOURCE_DIR}/api/hvcn.h ${HVCN_EXPORT_TOOL}
    COMMENT "Writing hvcn.def from the export list"
    VERBATIM)
  target_sources(${target} PRIVATE ${_def})

  # hvcn.lib, in lib/ of the build tree (installed beside hvcn.dll).
  find_program(HVCN_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-16 llvm-dlltool-15 llvm-dlltool-14
               NO_CMAKE_FIND_ROOT_PATH)
  if(NOT HVCN_LLVM_DLLTOOL)
    message(FATAL_ERROR "llvm-dlltool not found (Debian package llvm): it writes hvcn.lib")
  endif()
  if(_arch STREQUAL x86)
    set(_machine -m i386 -k)
  else()
    set(_machine -m i386:x86-64)
  endif()
  set(HVCN_MSVC_IMPORT_LIBRARY ${HVCN_OUTPUT_LIB}/hvcn.lib PARENT_SCOPE)
  add_custom_command(
    OUTPUT ${HVCN_OUTPUT_LIB}/hvcn.lib
    COMMAND ${HVCN_LLVM_DLLTOOL} ${_machine} -d ${_def} -D hvcn.dll -l ${HVCN_OUTPUT_LIB}/hvcn.lib
    DEPENDS ${_def}
    COMMENT "Writing hvcn.lib, the import library in the Microsoft format"
    VERBATIM)
  add_custom_target(hvcn_msvc_import_library ALL DEPENDS ${HVCN_OUTPUT_LIB}/hvcn.lib)
  set(HVCN_DEF_FILE ${_def} PARENT_SCOPE)

  if(_arch STREQUAL x86)
    if(NOT CMAKE_DLLTOOL)
      message(FATAL_ERROR "The 32-bit build needs dlltool (CMAKE_DLLTOOL)")
    endif()
    target_link_options(${target} PRIVATE -Wl,--kill-at)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${_def} --dllname hvcn.dll
              --output-lib $<TARGET_LINKER_FILE:${target}>
      COMMENT "Writing the import library of hvcn.dll (plain import names)"
      VERBATIM)
  endif()
endfunction()

# A test on the build machine: the DLL's export table against the list and
# the header, the DLLs standing alone, and a program built with the import
# library importing the plain names.
function(hvcn_add_export_check)
  cmake_parse_arguments(PARSE_ARGV 0 _check "" "" "STANDALONE;CONSUMERS")
  if(NOT CMAKE_OBJDUMP)
    message(WARNING "No objdump for the target: the export check is left out")
    return()
  endif()
  set(_args)
  foreach(_dll IN LISTS _check_STANDALONE)
    list(APPEND _args --standalone $<TARGET_FILE:${_dll}>)
  endforeach()
  foreach(_exe IN LISTS _check_CONSUMERS)
    list(APPEND _args --consumer $<TARGET_FILE:${_exe}>)
  endforeach()
  add_test(NAME hvcn_dll_exports
    COMMAND ${Python3_EXECUTABLE} ${HVCN_EXPORT_TOOL} check --objdump ${CMAKE_OBJDUMP}
            --exports ${HVCN_EXPORT_LIST} --header ${PROJECT_SOURCE_DIR}/api/hvcn.h
            --dll $<TARGET_FILE:hvcn> ${_args})
endfunction()
