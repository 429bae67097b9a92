# Installs the build into a fresh prefix and runs the installed programs from there: the console
# on a scenario, both --version answers, the desktop launcher making its working directory, and
# a program of the user's own, the installed example, built against the installed header and
# driver through pkg-config. Everything the install promises must be in its place.
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

set(expected bin/xarn_console share/man/man1/xarn_console.1.gz share/man/man1/xarn_win.1.gz
    share/man/man1/xarn-station.1.gz share/doc/xarn-station/copyright
    share/doc/xarn-station/changelog.gz
    ${PRIVATE_LIBDIR}/libxarndll.so ${MANUAL_DIR}/index.html ${HEADER_DIR}/xarndll.h
    ${HEADER_DIR}/records.h ${LIBDIR}/pkgconfig/xarndll.pc ${EXAMPLES_DIR}/terminals.c
    ${EXAMPLES_DIR}/README.md ${WIRESHARK_PLUGIN_DIR}/xarn.lua)
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

# The example as its README builds it: cc, the installed source and what pkg-config says, which
# must point into this prefix. Our warnings are errors here too, so the header is clean C11.
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
                        ${PKG_CONFIG} --cflags --libs xarndll
                RESULT_VARIABLE status OUTPUT_VARIABLE flags ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT flags MATCHES "-I${prefix}/${HEADER_DIR}")
  message(FATAL_ERROR "pkg-config does not find the installed xarndll.pc:\n${flags}${err}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
set(sanitize)
if(SANITIZE)
  set(sanitize -fsanitize=address,undefined)
endif()
set(program ${WORKDIR}/terminals)
run(${CC} -std=c11 -Wall -Wextra -Wpedantic -Werror ${sanitize}
    ${prefix}/${EXAMPLES_DIR}/terminals.c ${flags} -o ${program})
run(ldd ${program})
if(NOT out MATCHES "libxarndll.so => ${prefix}/${PRIVATE_LIBDIR}/libxarndll.so")
  message(FATAL_ERROR "the example does not load the installed driver:\n${out}")
endif()

# Alone, on a card of its own: its terminals on, B's first data in place, the card's partner
# commanding both terminals and filling A's RX buffer (32 words), and a clean stop.
run(${CMAKE_COMMAND} -E env --unset=XARN_BUS ${program} --seconds 1)
foreach(line "^start rt=5,6 bus=none\n" "\ntx rt=6 second=0 data=300005 30000D 300015 "
        "\ncommand rt=5 code=[0-9]+ " "\ncommand rt=6 code=[0-9]+ "
        "\nrx rt=5 status=8020 data=2[89A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F] " "\nstop commands=[1-9][0-9]*\n$")
  if(NOT out MATCHES "${line}")
    string(SUBSTRING "${out}" 0 2000 head)
    message(FATAL_ERROR "the example's output has no line matching ${line}:\n${head}")
  endif()
endforeach()
execute_process(COMMAND ${program} --rt 5,5 RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "the example took one terminal address twice (exit ${status})")
endif()
