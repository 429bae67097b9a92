# A firmware upgrade from the debug page: the card checks the image and the about box shows the
# new revision and checksum; an upgrade without its files is refused.
menu SETUP
click 1
menu ABOUT
expect 4 Rev C
click 1
menu DEBUG/CMND
type 20 NEWFW
answer no
click 19
expect 13 
expect-calls DUVEX_CommandDLL 0
answer yes
click 19
expect 13 Upgrading!
expect-beeps 1
expect-word 2000 D0F1
expect-word 2004 0011
tick 4
expect 13 Upgrading!
expect 15  0010
tick
expect 13 Upgrade done!
expect-beeps 1
click 14
menu ABOUT
expect 4 Rev D
expect 5 0004
expect 6 A6B6
click 1
# the firmware result word, last of the card identity: 0001 programmed
menu DEBUG/EDIT
type 5 1FFF10
click 1
expect-line 4 0 1FFF10:\t204C\t4953\t204D\t2E31\t0030\t0000\t0000\t0001
click 3
# files that are not there
menu DEBUG/CMND
type 20 NOSUCH
answer yes
click 19
expect 13 900
click 14
expect-beeps 1
