# LDB_MRT: terminal 5 is switched on with critical data, the partner bus controller runs it
# through its handshakes; terminal 6 stays off and never hears a word.
menu SETUP
click 1
menu LDB_MRT
tick
expect-status "LDB_MRT IDLE    "
menu RT PAGE
page MRT_PAGE
expect 31 OFF
expect 7 WFI
expect 16 No Errors
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
expect 6 5
click 3
click 30
expect 31 ON
click 28
click 28
expect 29 CRITICAL
click 11
expect 27 PRI
click 11
expect 27 SEC
click 11
expect 27 BOTH
type 25 123456 ABCDEF
click 24
type 32 7FF
click 2
expect 4 Done
click 3
expect 32 3FF
# An IND error for terminal 5: parity in its status word.
click 13
expect 14  IND Errors
click 15
expect 16 Parity    
type 17 0
click 12
click 2
expect 4 Done
menu RUN
tick
expect-status "LDB_MRT RUNNING "
page MRT_PAGE
click 3
expect 31 ON
expect 23 8020
expect 34 8020
expect 9 2C8000
# Terminal 6 is off: nothing reached it.
scroll 5 lineup
click 3
expect 6 6
expect 31 OFF
expect 9 000000
expect 8 000:00:00:00.000000
expect 23 0000
# The command queue holds the partner's commands, the newest first, the IND answers flagged.
menu QUEUE
page XARN_QUE
expect-line 6 1  Cmd 2A8020   Ov  ALT_ERRS: NONE
expect-line 6 2  Cmd 298000   Rc Ov  ALT_ERRS: Py
expect-count 6 15
menu HALT
tick
expect-status "LDB_MRT IDLE    "
answer yes
menu QUIT
