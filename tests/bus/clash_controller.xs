# A controller station on a shared bus with something wrong: two stations claiming RT 5, or a
# second controller running. ${ARG} is the status its message to RT 5 then shows.
sim bus-wait ${NODES}
menu SETUP
click 1
menu LDB_BCT
tick
menu MESSAGES
page BCT_MESS
repeat 5 scroll 9 lineup
click 25
type 14 2
click 2
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
click 2
menu RUN
page RUN_BCT
click 2
tick 2
page BCT_MESS
click 3
expect 16 ${ARG}
tick
