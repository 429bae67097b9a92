# GDB_BCT: a MEASURE entry in each table and a COMMAND entry, one command in each command queue,
# RUNactive; the uplink queue shows the transfers with their sources, rates and indexes, the
# downlink queue the answers. RUNpassive, then HALT, which empties the command queues.
menu SETUP
click 1
menu GDB_BCT
tick
expect-status "GDB_BCT IDLE    "
menu TABLES
page GDB_TABLES
expect 3  100Hz
# 100 Hz entry 1: MEASURE RT 5, channel 1F, data ABCD, command sync.
click 8
click 8
expect 9 MEASURE     
click 14
expect 15 CMND
type 13 5
type 16 1f
type 17 abcd
click 10
expect 4 Done
expect 16 1f
# 1 Hz entry 10000 and 10 Hz entry 7: the same command.
click 2
expect 3  1Hz
type 7 10000
click 10
expect 4 Done
click 2
expect 3  10Hz
type 7 7
click 10
expect 4 Done
# 100 Hz entry 2: COMMAND, which sends the queued commands.
click 2
expect 3  100Hz
type 7 2
click 5
click 8
expect 9 COMMAND     
click 10
expect 4 Done
scroll 6 lineup
expect 7 1
expect 9 MEASURE     
expect 13 5
expect 16 1F
expect 17 ABCD
# A HI and a LO command.
menu CmndQ
page GDB_CMND_Q
expect 4 HI
type 6 9
click 5
expect 2 Done
click 3
expect 4 LO
type 6 10
type 7 3
click 5
expect 2 Done
expect-word 0E00 1
expect-word 1000 1
menu RUNactive
tick
expect-status "GDB_BCT ACTIVE  "
expect-word 0E00 0
expect-word 1000 0
menu UpDnQ
page GDB_UD_Q
# Newest first: the 1 Hz entry at the end of the second on top, the run's first transfers at
# the bottom of the list.
expect-count 6 113
expect-line 6 0  Src:T\tCMND\tRT:5\tCh:31\tDt:ABCD\tNoErrs\tTb:1Hz\tIx:10000
expect-line 6 112  Src:T\tCMND\tRT:5\tCh:31\tDt:ABCD\tNoErrs\tTb:100Hz\tIx:1
expect-line 6 111  Src:H\tCMND\tRT:9\tCh:1\tDt:1\tNoErrs\tTb:100Hz\tIx:2
expect-line 6 110  Src:T\tCMND\tRT:5\tCh:31\tDt:ABCD\tNoErrs\tTb:10Hz\tIx:7
expect-line 6 109  Src:T\tCMND\tRT:5\tCh:31\tDt:ABCD\tNoErrs\tTb:100Hz\tIx:1
expect-line 6 108  Src:L\tCMND\tRT:10\tCh:3\tDt:1\tNoErrs\tTb:100Hz\tIx:2
click 8
click 3
expect-check 8 1
# The partner terminals' measured values.
expect-line 6 112  Src:T\tDATA\tRT:5\tCh:31\tDt:A839\tNoErrs\tTb:100Hz\tIx:1
expect-line 6 111  Src:H\tDATA\tRT:9\tCh:1\tDt:2DEC\tNoErrs\tTb:100Hz\tIx:2
# Clear, then Snap: the list grows once a second.
click 2
click 5
tick
expect-count 6 111
tick
expect-count 6 222
click 5
menu RUNpassive
tick
expect-status "GDB_BCT PASSIVE "
menu HALT
tick
expect-status "GDB_BCT IDLE    "
expect-beeps 4
answer yes
menu QUIT
expect-menu TOP_MENU
answer yes
menu QUIT
