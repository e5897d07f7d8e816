# Options of the robustness work: fuzz targets, benchmarks, memcheck runs,
# and whether the name parser and formatter exports are there to exercise.

option(HVCN_BUILD_FUZZERS "Build the libFuzzer targets (needs clang) and run each as a test" OFF)
option(HVCN_BUILD_BENCHMARKS "Build the benchmarks when Google Benchmark is found" ON)
option(HVCN_VALGRIND "Also run the tests under valgrind memcheck (tests labelled memcheck)" OFF)
set(HVCN_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
set(HVCN_NAME_EXPORTS AUTO CACHE STRING
    "Exercise hvcnParseName and hvcnFormatName in fuzzing, robustness tests and benchmarks: AUTO (when the library defines them), ON or OFF")
set_property(CACHE HVCN_NAME_EXPORTS PROPERTY STRINGS AUTO ON OFF)

# Sets HVCN_HAVE_PARSE_NAME and HVCN_HAVE_FORMAT_NAME from the exports the
# subsystems declared (hvcn_exports); call after the library's folders.
function(hvcn_detect_name_exports)
  get_property(_exports GLOBAL PROPERTY HVCN_EXPORTS)
  foreach(_pair "PARSE_NAME;hvcnParseName" "FORMAT_NAME;hvcnFormatName")
    list(GET _pair 0 _var)
    list(GET _pair 1 _export)
    if(HVCN_NAME_EXPORTS STREQUAL "AUTO")
      if(_export IN_LIST _exports)
        set(_have ON)
      else()
        set(_have OFF)
      endif()
    elseif(HVCN_NAME_EXPORTS)
      set(_have ON)
    else()
      set(_have OFF)
    endif()
    set(HVCN_HAVE_${_var} ${_have} PARENT_SCOPE)
    message(STATUS "hvcn: ${_export} exercised by fuzzing, robustness tests and benchmarks: ${_have}")
  endforeach()
endfunction()

# Compile definitions for code that calls the name exports when present.
function(hvcn_use_name_exports target)
  if(HVCN_HAVE_PARSE_NAME)
    target_compile_definitions(${target} PRIVATE HVCN_HAVE_PARSE_NAME=1)
  endif()
  if(HVCN_HAVE_FORMAT_NAME)
    target_compile_definitions(${target} PRIVATE HVCN_HAVE_FORMAT_NAME=1)
  endif()
endfunction()

# A test folder with a TNUAL.INI that turns every trace level on, the log
# going to that folder. Returns the folder in <out_var>.
function(hvcn_traced_profile name out_var)
  set(_dir ${PROJECT_BINARY_DIR}/traced-profiles/${name})
  file(MAKE_DIRECTORY ${_dir})
  file(WRITE ${_dir}/TNUAL.INI "[NameParsing]\nLogFile=${_dir}/tnname.log\nLogLevel=0x1FF\n")
  set(${out_var} ${_dir} PARENT_SCOPE)
endfunction()

# Adds a memcheck run of a test program (label memcheck) when HVCN_VALGRIND
# is on: valgrind's exit status 99 marks any error or definite leak.
find_program(HVCN_VALGRIND_PROGRAM valgrind)
function(hvcn_add_memcheck name target workdir)
  if(NOT HVCN_VALGRIND OR NOT HVCN_VALGRIND_PROGRAM OR WIN32 OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  add_test(NAME memcheck_${name}
    COMMAND ${HVCN_VALGRIND_PROGRAM} --tool=memcheck --error-exitcode=99 --leak-check=full
            --errors-for-leak-kinds=definite --show-leak-kinds=definite --track-fds=no -q
            $<TARGET_FILE:${target}> ${ARGN}
    WORKING_DIRECTORY ${workdir})
  set_tests_properties(memcheck_${name} PROPERTIES LABELS memcheck
    ENVIRONMENT "LC_ALL=;LC_MESSAGES=;LANG=C.UTF-8;HVCN_REGISTRY=;HVCN_PROFILE_DIR=${workdir}")
endfunction()
