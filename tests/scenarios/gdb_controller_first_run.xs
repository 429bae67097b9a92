# GDB_BCT from its defaults: every table entry is NOOP, so RUNactive sends nothing. The queue
# page says EMPTY and, below it, what a first run needs; Snap shows that it is on.
menu SETUP
click 1
menu GDB_BCT
menu RUNactive
tick 2
menu UpDnQ
page GDB_UD_Q
expect-count 6 2
expect-line 6 0 EMPTY
expect-line 6 1 No transfers: add MEASURE or COMMAND entries on TABLES, then RUNactive
expect-check 5 0
click 5
expect-check 5 1
tick
expect-count 6 2
click 5
expect-check 5 0
click 1
# One MEASURE entry, and the queue lists traffic without the hint.
menu TABLES
page GDB_TABLES
click 8
click 8
expect 9 MEASURE     
type 13 5
click 10
expect 4 Done
click 1
menu UpDnQ
page GDB_UD_Q
tick
click 3
expect-line 6 0  Src:T\tDATA\tRT:5\tCh:0\tDt:0\tNoErrs\tTb:100Hz\tIx:1
menu HALT
