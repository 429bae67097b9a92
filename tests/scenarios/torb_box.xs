# A TORB BOX opens only the bus monitor and the debug pages; its init is always big-endian.
menu SETUP
click 35
expect 36  TORB BOX
click 32
expect 33  LITTLE
click 37
trace on
click 1
trace off
expect-file XARN_WIN.INI 0B 00 0A 00 0F 00 32 00 10 80 10 80 14 00 08 00 02 00 04 00 01 00 00 02 00 00 00 00 00 00 00 00 02 00 02 00
menu LDB_BCT
menu GDB_MRT
menu MDM_MRT
expect-menu TOP_MENU
menu BUS_MON
expect-menu BUS_MON_MENU
expect-word 20 F
# The trigger disabled (control word bit 15), so that the monitor stays armed.
poke 8252C 8000
trace on
menu RUN
trace off
tick
expect-status "BUS_MON RUNNING "
