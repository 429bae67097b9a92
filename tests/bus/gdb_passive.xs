# Station C on a shared bus: GDB_BCT, passive, listening to station A's active controller. Its
# own table (RT 33) belongs to its invented twin, which steps aside while A holds the bus.
sim bus-wait ${NODES}
menu SETUP
click 17
expect 18 IRIG-B  
click 1
menu GDB_BCT
tick
menu TABLES
page GDB_TABLES
repeat 2 click 8
expect 9 MEASURE     
click 14
type 13 33
type 16 44
click 10
expect 4 Done
menu RUNpassive
tick
expect-status "GDB_BCT PASSIVE "
# A's words as C heard them, until A's HALT entry.
menu UpDnQ
page GDB_UD_Q
expect-count 6 10
expect-line 6 0  Src:T\tCMND\tRT:9\tCh:1\tDt:0\tNoErrs\tTb:Pasve\tIx:3
expect-line 6 6  Src:H\tDATA\tRT:5\tCh:3\tDt:AA\tNoErrs\tTb:Pasve\tIx:4
click 8
click 3
expect-count 6 9
expect-line 6 0  Src:T\tDATA\tRT:9\tCh:1\tDt:52FE\tNoErrs\tTb:Pasve\tIx:3
expect-line 6 1  Src:T\tDATA\tRT:5\tCh:4\tDt:0\tNoResp\tTb:Pasve\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs\tTb:Pasve\tIx:1
expect-word 0100 000A
expect-word 119338 0001
expect-word 11933A 0000
expect-word 11933C 0000
# C turns active too: the two controllers collide.
menu RUNactive
tick
expect-status "GDB_BCT ACTIVE  "
click 7
click 3
expect-line 6 0  Src:T\tCMND\tRT:33\tCh:68\tDt:0\t Mn\tTb:100Hz\tIx:1
expect-line 6 1  Src:T\tCMND\tRT:33\tCh:68\tDt:0\t Mn\tTb:100Hz\tIx:1
click 8
click 3
expect-line 6 0  Src:T\tDATA\tRT:33\tCh:68\tDt:0\tNoResp\tTb:100Hz\tIx:1
menu HALT
tick
menu RUNpassive
tick 2
# Listening again, to A's run without invented partners.
click 7
click 3
expect-line 6 0  Src:T\tCMND\tRT:9\tCh:1\tDt:0\tNoErrs\tTb:Pasve\tIx:3
click 8
click 3
expect-line 6 0  Src:T\tDATA\tRT:9\tCh:1\tDt:0\tNoResp\tTb:Pasve\tIx:3
expect-line 6 1  Src:T\tDATA\tRT:5\tCh:4\tDt:0\tNoResp\tTb:Pasve\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs\tTb:Pasve\tIx:1
menu HALT
tick
