# A TORB BOX: its settings as the INI file keeps them, and the bus monitor running on it.
menu SETUP
click 35
expect 36  TORB BOX
click 32
expect 33  LITTLE
click 37
click 1
expect-file XARN_WIN.INI 0B 00 0A 00 0F 00 32 00 10 80 10 80 14 00 08 00 02 00 04 00 01 00 00 02 00 00 00 00 00 00 00 00 02 00 02 00
menu BUS_MON
expect-menu BUS_MON_MENU
expect-word 20 F
# The trigger disabled (control word bit 15), so that the monitor stays armed.
poke 8252C 8000
menu RUN
tick
expect-status "BUS_MON RUNNING "
