# What the tests' cmake -P scripts share: one step of a script, a program run
# that must succeed; its output, without carriage returns, in step_output.
function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${what} failed (${code}):\n${out}\n${err}")
  endif()
  string(REPLACE "\r" "" out "${out}")
  set(step_output "${out}" PARENT_SCOPE)
endfunction()
