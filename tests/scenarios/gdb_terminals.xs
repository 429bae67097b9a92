# GDB_MRT: terminal 5 channel 3 answers with a masked response word; the partner controller's
# polls and the answers show in the RT queue, once a second with Snap. Disabled, the terminal
# gives "no response". Then extended channels and channel 40000.
menu SETUP
click 1
menu GDB_MRT
tick
expect-status "GDB_MRT IDLE    "
menu RTpage
page GDB_RT_RTS
expect 3 0
expect 7 0
expect 30 Done
expect 26 Respond as COMMAND or MEASUREMENT  
expect 28 0000
type 3 5
click 1
type 7 2
scroll 6 lineup
expect 7 3
click 4
click 8
type 14 7
type 15 8
click 16
expect 17 CMND
type 18 1234
type 28 00f0
type 29 8000
type 27 10
click 31
expect 30 Done
click 1
expect 28 00F0
expect 29 8000
expect-check 4 1
expect-check 8 1
menu RUN
tick
expect-status "GDB_MRT RUNNING "
# The partner asks (CMND to RT 5 channel 3, the request kind as data); the terminal answers with
# 1234 AND NOT 00F0, OR 8000 = 9204, except to DISCRETE and ANALOG requests.
menu QUEUE
page GDB_MRT_Q
# The list shows the newest first, so the first polls are at its end.
expect-count 6 15
expect-line 6 14  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:0\tNoErrs
expect-line 6 13  Resp:Yes\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs
expect-line 6 12  Resp:No\tCMND\tRT:5\tCh:3\tDt:200\tNoErrs
expect-line 6 11  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
expect-line 6 10  Resp:Yes\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs
expect-line 6 9  Resp:No\tCMND\tRT:5\tCh:3\tDt:600\tNoErrs
click 2
expect-count 6 1
expect-line 6 0 EMPTY
click 5
tick
expect-count 6 15
tick
expect-count 6 30
click 1
# Terminal 5 disabled: every poll goes unanswered.
page GDB_RT_RTS
click 4
expect-check 4 0
click 31
expect 30 Done
menu QUEUE
page GDB_MRT_Q
click 2
click 3
expect-line 6 0 EMPTY
tick
click 3
expect-count 6 10
expect-line 6 9  Resp:No\tCMND\tRT:5\tCh:3\tDt:0\tNoErrs
expect-line 6 0  Resp:No\tCMND\tRT:5\tCh:3\tDt:200\tNoErrs
click 1
# Extended channels: channel 40000 of terminal 6.
sim extended-channels 1
page GDB_RT_RTS
scroll 2 lineup
expect 3 6
type 7 40000
click 1
expect 30 Done
click 4
click 8
click 13
type 18 55
type 28 0
type 29 0
click 31
expect 30 Done
menu QUEUE
page GDB_MRT_Q
click 2
tick
click 3
# The change started a new poll cycle: a COMMAND request first, at the end of the list.
expect-count 6 25
expect-line 6 24  Resp:No\tCMND\tRT:5\tCh:3\tDt:0\tNoErrs
expect-line 6 23  Resp:Yes\tCMND\tRT:6\tCh:40000\tDt:0\tNoErrs
expect-line 6 22  Resp:Yes\tDATA\tRT:6\tCh:40000\tDt:55\tNoErrs
click 1
menu HALT
tick
expect-status "GDB_MRT IDLE    "
answer yes
menu QUIT
expect-menu TOP_MENU
answer yes
menu QUIT
