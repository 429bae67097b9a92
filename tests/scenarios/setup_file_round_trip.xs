# A setup saved in LDB_BCT restores the message definitions and the frame after they changed:
# as raw card words, and as the MESSAGES page reads them back.
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
# message 99's last data word, the frame, and the last word of the image
poke 44FFE 89AB
poke 45100 03E8
poke 45106 0002
poke 1FFEFE CAFE
menu SETUPS
page SETUPS
expect-calls wWDLL 0
type 2 bct_setup.sup
click 4
expect 1 Done
expect-calls rWDLL 1048444
click 6
# the operator changes things
page BCT_MESS
type 11 900
type 14 9
click 2
expect 4 Done
poke 44FFE 0000
poke 45100 0010
poke 45106 0000
poke 1FFEFE 0000
menu SETUPS
page SETUPS
expect-count 7 1
expect-line 7 0 BCT_SETUP.SUP
expect-calls rWDLL 0
select 7 0
click 3
expect 1 Done
expect 2 BCT_SETUP.SUP
expect-calls wWDLL 1048444
click 6
expect-word 44FFE 89AB
expect-word 45100 03E8
expect-word 45106 0002
expect-word 1FFEFE CAFE
page BCT_MESS
click 3
expect 4 Done
expect 11 500
expect 14 4
expect-beeps 0
