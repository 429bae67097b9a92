# The console's script input from outside: standard input that is a directory, and a line past
# the bound, from a file and from standard input. Each is an error (exit 2), never a quiet end.
# Run with -DCONSOLE=<xarn_console> -DWORKDIR=<fresh directory>.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/folder)

function(run_console expected_rc expected_text)
  execute_process(COMMAND sh -c "${ARGN}" WORKING_DIRECTORY ${WORKDIR} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(FIND "${out}${err}" "${expected_text}" at)
  if(NOT rc EQUAL ${expected_rc} OR at EQUAL -1)
    string(SUBSTRING "${out}${err}" 0 400 shown)
    message(FATAL_ERROR "${ARGN}: exit ${rc}, expected ${expected_rc} and \"${expected_text}\":\n"
                        "${shown}")
  endif()
endfunction()

run_console(2 "cannot read standard input: it is a directory" "'${CONSOLE}' - < folder")

# One character past the longest line; the line is a comment, which would otherwise pass.
string(REPEAT "x" 1048575 body)
file(WRITE ${WORKDIR}/long.xs "# ${body}\nmenu SETUP\n")
file(WRITE ${WORKDIR}/longest.xs "#${body}\nmenu SETUP\nexpect-open XARN_SETUP 1\n")
run_console(2 "ERROR line 1: the line is longer than 1048576 characters" "'${CONSOLE}' long.xs")
run_console(2 "ERROR line 1: the line is longer than 1048576 characters" "'${CONSOLE}' - < long.xs")
run_console(0 "> expect-open XARN_SETUP 1" "'${CONSOLE}' longest.xs")
