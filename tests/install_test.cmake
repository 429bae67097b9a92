# Installs the build into a fresh prefix and runs the installed programs from there: the console
# on a scenario, both --version answers, the desktop launcher making its working directory.
# Everything the install promises must be in its place.
set(prefix ${WORKDIR}/prefix)
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/run ${WORKDIR}/data)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                  WORKING_DIRECTORY ${WORKDIR}/run)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} exited with ${status}:\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})

set(expected bin/xarn_console share/man/man1/xarn_console.1 share/man/man1/xarn_win.1
    ${PRIVATE_LIBDIR}/libxarndll.so ${MANUAL_DIR}/index.html ${WIRESHARK_PLUGIN_DIR}/xarn.lua)
if(WITH_WINDOW)
  list(APPEND expected bin/xarn_win bin/xarn-station share/applications/xarn-station.desktop
       share/icons/hicolor/16x16/apps/xarn-station.png
       share/icons/hicolor/256x256/apps/xarn-station.png)
endif()
foreach(file ${expected})
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the install has no ${file}")
  endif()
endforeach()

# The installed programs find the installed driver, not the build tree's.
run(ldd ${prefix}/bin/xarn_console)
if(NOT out MATCHES "libxarndll.so => ${prefix}/bin/../${PRIVATE_LIBDIR}/libxarndll.so")
  message(FATAL_ERROR "the installed console does not load the installed driver:\n${out}")
endif()

run(${prefix}/bin/xarn_console --version)
if(NOT out MATCHES "^xarn_console [0-9.]+\nstation .*\ndriver [^\n]+\n$")
  message(FATAL_ERROR "unexpected --version answer:\n${out}")
endif()
run(${prefix}/bin/xarn_console -C ${WORKDIR}/run ${SCRIPT})

if(WITH_WINDOW)
  run(${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORKDIR}/data ${prefix}/bin/xarn-station --version)
  if(NOT out MATCHES "^xarn_win " OR NOT IS_DIRECTORY ${WORKDIR}/data/xarn-station)
    message(FATAL_ERROR "the launcher did not start xarn_win in its directory:\n${out}")
  endif()
endif()
