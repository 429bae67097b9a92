# A global-bus terminal station on a shared bus where another one claims RT 5 channel 3 too:
# both take the controller's word in, and both mark their answers with the collision (Mn).
sim bus-wait ${NODES}
menu SETUP
click 1
menu GDB_MRT
tick
menu RTpage
page GDB_RT_RTS
repeat 5 scroll 2 lineup
expect 3 5
type 7 3
click 4
click 8
click 13
click 16
expect 17 CMND
type 18 1234
type 27 10
click 31
expect 30 Done
menu RUN
tick
menu QUEUE
page GDB_MRT_Q
click 3
expect-count 6 6
expect-line 6 0  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:1234\tMn 
expect-line 6 1  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
expect-line 6 5  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
tick
