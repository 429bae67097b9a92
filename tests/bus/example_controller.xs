# A controller station beside the terminals example (examples/terminals.c, RTs 5 and 6) on one
# simulated bus: LDB_BCT, a frame of two messages every 100 ms, TX to RT 5 and RX from RT 6, for
# four seconds. example_beside_console.sh runs it with --bus and checks both sides; the words
# typed into message 1 are the ones it looks for in the example's output.
menu SETUP
click 1
menu LDB_BCT
tick
expect-status "LDB_BCT IDLE    "
# Message 1: TX to RT 5, command IWD (13), command bits 4, four data words stamped with RT 5's
# address (data bits 1234, 5678, 9ABC, DEF0).
menu MESSAGES
page BCT_MESS
repeat 5 scroll 9 lineup
expect 10 5
repeat 3 scroll 12 linedown
expect 13  IWD
click 25
expect 26 TX
type 14 4
type 27 4
type 18 2891A5 2AB3C5 2CD5E5 2EF785
click 2
expect 4 Done
# Message 2: RX from RT 6, command GAH (5), command bits 4: four words of RT 6's TX buffer.
type 6 2
click 3
expect 10 0
expect 26 RX
repeat 6 scroll 9 lineup
expect 10 6
repeat 5 scroll 12 lineup
expect 13  GAH
type 14 4
type 27 4
click 2
expect 4 Done
# The frame: messages 1 and 2 every 100 ms, run until halted.
menu FRAME
page MAJOR_FRAME
type 5 100000
type 101 1
type 102 2
click 2
expect 1 Done
menu RUN
page RUN_BCT
expect 4 Forever
click 2
expect 1 Done
tick
expect-status "LDB_BCT RUNNING "
# Message 2 with Snap on: the page reads it every second. Each second shows the words RT 6 gave
# in that second's last frame, sent without errors (status 8000).
page BCT_MESS
click 15
expect-check 15 1
tick
expect 16 8000
get 18
tick
expect 16 8000
get 18
tick
expect 16 8000
get 18
tick
expect 16 8000
get 18
menu HALT
tick
expect-status "LDB_BCT IDLE    "
answer yes
menu QUIT
expect-menu TOP_MENU
