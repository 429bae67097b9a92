# Station A on a shared bus: LDB_BCT sends RCW (return command word) to MDM unit 7 of station D.
sim bus-wait ${NODES}
menu SETUP
click 1
menu LDB_BCT
tick
menu MESSAGES
page BCT_MESS
repeat 7 scroll 9 lineup
expect 10 7
repeat 6 scroll 12 lineup
expect 13 0110
expect 26 RX
type 14 1
type 27 1
click 2
expect 4 Done
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
click 2
menu RUN
page RUN_BCT
click 2
tick 2
# Unit 7 echoed the command's low 16 bits (0001) as its data word.
page BCT_MESS
click 3
expect 16 8000
expect-word 012040 000D
expect-word 012042 0038
