# A first start with no INI file writes the defaults; the modes wait for SETUP.
expect-file XARN_WIN.INI 0B 00 0A 00 0F 00 32 00 10 80 10 80 14 00 08 00 02 00 04 00 01 00 00 02 00 00 00 00 00 00 01 00 01 00 01 00
expect-title XARN TRAVINE-BUS simulation station
expect-menu TOP_MENU
menu LDB_BCT
menu 4
expect-menu TOP_MENU
expect-calls DUVEX_SetupDLL 0
expect-calls DUVEX_InitDLL 0
tick 3
expect-status ""
expect-beeps 0
