# Options of the robustness work: fuzz targets, benchmarks, memcheck runs.

option(HVCN_BUILD_FUZZERS "Build the libFuzzer targets (needs clang) and run each as a test" OFF)
option(HVCN_BUILD_BENCHMARKS "Build the benchmarks when Google Benchmark is found" ON)
option(HVCN_VALGRIND "Also run the tests under valgrind memcheck (tests labelled memcheck)" OFF)
set(HVCN_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs as a test")

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
    ENVIRONMENT "LC_ALL=;LC_MESSAGES=;LANG=C.UTF-8;HVCN_REGISTRY=;HVCN_PROFILE_DIR=${workdir};HVCN_LOG_DIR=${workdir}")
endfunction()
