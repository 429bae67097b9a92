# The setup page's numeric fields: masking and an empty field on OK, and the settings kept by
# QUIT.
menu SETUP
type 10 40000
type 4 70000
type 7 
click 1
expect-open XARN_SETUP 0
expect-file XARN_WIN.INI 0B 00 00 00 70 11 32 00 40 9C 10 80 14 00 08 00 02 00 04 00 01 00 00 02 00 00 00 00 00 00 01 00 01 00 01 00
menu SETUP
expect 10 7232
expect 4 4464
expect 7 0
click 29
click 34
menu SETUP
expect 5 6.0 uS
