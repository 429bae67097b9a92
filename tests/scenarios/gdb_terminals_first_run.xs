# GDB_MRT from its defaults: no channel programmed, RUN, a minute of ticks. The partner has
# nothing to poll, the queue page shows EMPTY, HALT returns the card to idle.
menu SETUP
click 1
menu GDB_MRT
menu SETUPS
page SETUPS
type 2 empty.sup
click 4
expect 1 Done
click 6
menu RUN
tick 60
expect-status "GDB_MRT RUNNING "
menu QUEUE
page GDB_MRT_Q
click 3
expect-count 6 1
expect-line 6 0 EMPTY
click 1
menu HALT
tick
expect-status "GDB_MRT IDLE    "
# The only channel written back to its defaults (and its pool entry zeroed by hand) while
# running: the partner falls silent again and the card keeps running.
menu RTpage
page GDB_RT_RTS
click 4
click 8
click 31
expect 30 Done
menu RUN
tick 2
expect-status "GDB_MRT RUNNING "
click 8
expect-check 8 0
click 31
expect 30 Done
tick 2
expect-status "GDB_MRT RUNNING "
click 8
click 31
expect 30 Done
tick
poke 123500 0
tick 86400
expect-status "GDB_MRT RUNNING "
# A setup file that holds no channel, loaded while a channel is being polled.
click 31
expect 30 Done
tick 2
click 32
menu SETUPS
page SETUPS
expect-line 7 0 EMPTY.SUP
select 7 0
click 3
expect 1 Done
click 6
tick 86400
expect-status "GDB_MRT RUNNING "
menu QUEUE
page GDB_MRT_Q
click 2
tick 2
click 3
expect-line 6 0 EMPTY
click 1
menu HALT
tick
expect-status "GDB_MRT IDLE    "
answer yes
menu QUIT
expect-menu TOP_MENU
