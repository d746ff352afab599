# Runs one conformance script through ks and compares what it writes with the
# files beside it: NAME.out holds the expected standard output (none: empty);
# NAME.err, when present, the expected standard error of a script that must
# fail with status 1. Without NAME.err the script must succeed silently on
# standard error.
cmake_minimum_required(VERSION 3.25)
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
execute_process(COMMAND ${KS} ${SCRIPT}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)

set(want_out "")
if(EXISTS ${dir}/${name}.out)
  file(READ ${dir}/${name}.out want_out)
endif()
set(want_err "")
set(want_status 0)
if(EXISTS ${dir}/${name}.err)
  file(READ ${dir}/${name}.err want_err)
  set(want_status 1)
endif()

set(failed FALSE)
if(NOT "${status}" STREQUAL "${want_status}")
  message(SEND_ERROR "exit status ${status}, expected ${want_status}")
  set(failed TRUE)
endif()
if(NOT "${out}" STREQUAL "${want_out}")
  message(SEND_ERROR "standard output differs:\n--- got\n${out}--- expected\n${want_out}---")
  set(failed TRUE)
endif()
if(NOT "${err}" STREQUAL "${want_err}")
  message(SEND_ERROR "standard error differs:\n--- got\n${err}--- expected\n${want_err}---")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${name}.ks failed")
endif()
