# SETUP, OK, LDB_BCT with its status line, QUIT answered No then Yes, and the status line goes on.
menu SETUP
click 1
menu LDB_BCT
expect-title XARN TRAVINE-BUS simulation station - LDB_BCT mode
expect-menu LDB_BCT_MENU
tick
expect-status "LDB_BCT IDLE    "
expect-beeps 1
tick 5
expect-beeps 0
answer no
menu QUIT
expect-menu LDB_BCT_MENU
answer yes
menu QUIT
expect-menu TOP_MENU
expect-title XARN TRAVINE-BUS simulation station
sim state-word 0011
tick
expect-status "LDB_BCT RUNNING "
expect-beeps 1
sim state-word off
tick
expect-status "LDB_BCT IDLE    "
answer no
menu QUIT
answer yes
menu QUIT
