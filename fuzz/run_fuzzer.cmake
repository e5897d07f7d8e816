# One fuzz test: the fuzzer runs for SECONDS with tracing off (fast), from
# the seeds and the corpus it grew before; then every input of the corpus
# runs once more with every trace level on, so the trace lines of all the
# inputs the run found are formatted and written too.
#
#   cmake -DFUZZER=... -DSECONDS=... -DDICT=... -DCORPUS=... -DSEEDS=...
#         -DFINDINGS=... -DQUIET=<folder> -DTRACED=<folder with TNUAL.INI> -P run_fuzzer.cmake
foreach(_var FUZZER SECONDS DICT CORPUS SEEDS FINDINGS QUIET TRACED)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${_var} is not set")
  endif()
endforeach()
get_filename_component(_name ${CORPUS} NAME)

set(ENV{HVCN_PROFILE_DIR} ${QUIET})
set(ENV{HVCN_LOG_DIR} ${QUIET})
set(ENV{HVCN_FUZZ_LOG} ${QUIET}/tnname.log)
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -max_len=2048 -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 -dict=${DICT} -artifact_prefix=${FINDINGS}/${_name}- ${CORPUS} ${SEEDS}
  WORKING_DIRECTORY ${QUIET}
  RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${_name}: the fuzzer stopped with ${_result}; the input is in ${FINDINGS}")
endif()

set(ENV{HVCN_PROFILE_DIR} ${TRACED})
set(ENV{HVCN_LOG_DIR} ${TRACED})
set(ENV{HVCN_FUZZ_LOG} ${TRACED}/tnname.log)
execute_process(
  COMMAND ${FUZZER} -runs=0 -max_len=2048 -timeout=10 -artifact_prefix=${FINDINGS}/${_name}-traced- ${CORPUS}
  WORKING_DIRECTORY ${TRACED}
  RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${_name}: the traced replay of the corpus stopped with ${_result}; the input is in ${FINDINGS}")
endif()
