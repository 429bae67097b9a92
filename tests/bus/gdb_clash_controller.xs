# A global-bus controller on a shared bus where two terminal stations claim RT 5 channel 3:
# both answer, and the controller sees the answers collide. A HALT entry ends the run after
# three minor frames.
sim bus-wait ${NODES}
menu SETUP
click 1
menu GDB_BCT
tick
menu TABLES
page GDB_TABLES
repeat 2 click 8
expect 9 MEASURE     
click 14
expect 15 CMND
type 13 5
type 16 3
type 17 400
click 10
expect 4 Done
click 2
expect 3  1Hz
type 7 300
repeat 4 click 8
expect 9 HALT        
click 10
expect 4 Done
menu RUNactive
tick
menu UpDnQ
page GDB_UD_Q
expect-count 6 3
click 8
click 3
expect-count 6 3
expect-line 6 0  Src:T\tCMND\tRT:5\tCh:3\tDt:1234\t Mn\tTb:100Hz\tIx:1
expect-line 6 2  Src:T\tCMND\tRT:5\tCh:3\tDt:1234\t Mn\tTb:100Hz\tIx:1
tick
