# A setup saved in LDB_BCT restores a message definition after it changed, as the MESSAGES page
# reads it back; the load picks the file from the list.
menu SETUP
click 1
menu LDB_BCT
menu MESSAGES
type 6 1
type 11 500
type 14 4
type 18 1234 5678 9ABC DEF0
click 2
expect 4 Done
menu SETUPS
page SETUPS
type 2 bct_setup.sup
click 4
expect 1 Done
click 6
# the operator changes things
page BCT_MESS
type 11 900
type 14 9
click 2
expect 4 Done
menu SETUPS
page SETUPS
expect-count 7 1
expect-line 7 0 BCT_SETUP.SUP
select 7 0
click 3
expect 1 Done
expect 2 BCT_SETUP.SUP
click 6
page BCT_MESS
click 3
expect 4 Done
expect 11 500
expect 14 4
expect-beeps 0
