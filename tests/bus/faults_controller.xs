# Station A on a shared bus with station B's terminals: a cut cable and a noisy one, as the
# controller sees them.
sim bus-wait ${NODES}
menu SETUP
click 1
menu LDB_BCT
tick
menu MESSAGES
page BCT_MESS
repeat 5 scroll 9 lineup
click 25
type 14 4
type 18 10 20 30 40
click 2
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
click 2
menu RUN
page RUN_BCT
click 2
tick
page BCT_MESS
click 3
expect 16 8000
# J1 carries A's primary bus: cut, nothing reaches RT 5, which does not answer.
sim bus-break J1
tick
click 3
expect 16 8080
sim bus-heal J1
tick
click 3
expect 16 8000
# Every word through J2 (A hears its primary bus there) damaged.
sim bus-noise J2 1000000
tick
click 3
expect 16 8008
sim bus-noise J2 0
tick
