# Station A on a shared bus: LDB_BCT with a frame of two messages, data to RT 5 and data from
# RT 6, both answered by station B's terminals.
sim bus-wait ${NODES}
# IRIG-B: the card's time tags are the bus's time.
menu SETUP
click 17
expect 18 IRIG-B  
click 1
menu LDB_BCT
tick
# Message 1: TX to RT 5, four data words.
menu MESSAGES
page BCT_MESS
repeat 5 scroll 9 lineup
expect 10 5
click 25
expect 26 TX
type 14 4
type 18 10 20 30 40
click 30
click 2
expect 4 Done
# Message 2: RX from RT 6, three data words.
type 6 2
click 3
repeat 6 scroll 9 lineup
expect 10 6
expect 26 RX
type 14 3
click 2
expect 4 Done
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
type 102 2
click 2
expect 1 Done
menu RUN
page RUN_BCT
click 2
expect 1 Done
tick 2
expect-status "LDB_BCT RUNNING "
# Station B's RT 6 answered with the data in its TX buffer.
page BCT_MESS
type 6 2
click 3
expect 16 8000
expect-word 012880 1111
expect-word 012882 0011
expect-word 012884 2222
expect-word 012888 3333
expect-word 01288C 0000
# And RT 5 took message 1 in: its status word came back.
type 6 1
click 3
expect 16 8000
get 16
get 17
tick 2
menu HALT
tick
expect-status "LDB_BCT IDLE    "
