# Runs one scenario script through the console in an empty directory; a script may bring files
# of its own in a folder of the same name beside it (SCRIPT without .xs).
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
string(REGEX REPLACE "\\.xs$" "" fixtures ${SCRIPT})
if(IS_DIRECTORY ${fixtures})
  file(COPY ${fixtures}/ DESTINATION ${WORKDIR})
endif()
execute_process(COMMAND ${CONSOLE} ${SCRIPT} WORKING_DIRECTORY ${WORKDIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE transcript ERROR_VARIABLE errors)
file(WRITE ${WORKDIR}/transcript.txt "${transcript}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${transcript}${errors}\nxarn_console exited with ${status}")
endif()
