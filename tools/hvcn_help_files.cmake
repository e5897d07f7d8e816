# Writes hvcn.1 and hvcn.bash into OUT from the help of the tool TOOL:
#   cmake -DTOOL=<hvcn> -DOUT=<folder> -P hvcn_help_files.cmake
# The tool runs in a clean environment: English, no profile, no log.
set(ENV{LC_ALL} C)
set(ENV{LANG} C)
set(ENV{HVCN_PROFILE_DIR} ${OUT})
set(ENV{HVCN_LOG_DIR} ${OUT})
foreach(_pair "--roff;hvcn.1" "--bash-completion;hvcn.bash")
  list(GET _pair 0 _option)
  list(GET _pair 1 _file)
  execute_process(COMMAND ${TOOL} help ${_option} OUTPUT_FILE ${OUT}/${_file}.new RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "${TOOL} help ${_option} failed: ${_result}")
  endif()
  file(RENAME ${OUT}/${_file}.new ${OUT}/${_file})
endforeach()
