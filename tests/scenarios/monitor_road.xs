# The bus monitor's road: trigger on any word of any connector, run, look at the capture around
# the trigger on STACK, browse before it, then follow successive triggers on SNAP.
menu SETUP
click 1
menu BUS_MON
expect-word 20 F
tick
expect-status "BUS_MON IDLE    "
expect-beeps 1
# The trigger: all "X", ANY bus, ANY sync, ten words after it.
menu TRIGGER
page XARN_MTG
expect 8 ANY
expect 10 ANY
type 12 XXXXXXXXXXXXXXXXXXXXXXXX
type 11 10
click 2
expect 21 Done
expect-word 8252E A
click 1
# RUN clears the stack and arms the monitor; the trigger fires a few milliseconds later.
trace on
menu RUN
trace off
menu DISPLAY/STACK
page MON_STACK
expect-check 7 0
tick
expect-status "BUS_MON IDLE    "
# The capture ended within milliseconds: the status line never saw the monitor running.
expect-beeps 0
# The page from the trigger: the trigger word and ten more, their time tags advancing.
expect-count 2 11
expect-line 2 0 TRIGGER\t000:00:00:01.008912\tJ1\tDATA\t0F3F8D\tNO ERRORS
expect-line 2 1 +0001\t000:00:00:01.008912\tJ4\tCMND\tCA800D\tNO ERRORS
expect-line 2 2 +0002\t000:00:00:01.008927\tJ3\tCMND\t8A800F\tNO ERRORS
expect-line 2 3 +0003\t000:00:00:01.008931\tJ2\tCMND\t6D0000\tNO ERRORS
expect-line 2 4 +0004\t000:00:00:01.008945\tJ1\tDATA\t0FBCBD\tNO ERRORS
expect-line 2 5 +0005\t000:00:00:01.008948\tJ4\tCMND\tCA8001\tNO ERRORS
expect-line 2 6 +0006\t000:00:00:01.008962\tJ3\tCMND\t8A8001\tNO ERRORS
expect-line 2 7 +0007\t000:00:00:01.008967\tJ2\tCMND\t6D0001\tNO ERRORS
expect-line 2 8 +0008\t000:00:00:01.008979\tJ1\tDATA\t0D7735\tNO ERRORS
expect-line 2 9 +0009\t000:00:00:01.008981\tJ4\tDATA\tCDCC2D\tNO ERRORS
expect-line 2 10 +0010\t000:00:00:01.008996\tJ3\tDATA\t8807C5\tNO ERRORS
expect 5 
# Browse back before the trigger: a line, then a page.
scroll 3 linedown
expect-line 2 0 -0001\t000:00:00:01.008883\tJ2\tDATA\t64799D\tNO ERRORS
scroll 6 linedown
expect-line 2 0 -0011\t000:00:00:01.008810\tJ3\tDATA\t843FE5\tNO ERRORS
expect 5 
click 4
expect-line 2 0 TRIGGER\t000:00:00:01.008912\tJ1\tDATA\t0F3F8D\tNO ERRORS
# After the trigger the capture ends at +0010.
scroll 3 lineup
expect 5  END OF POST-TRIGGER DATA
expect-beeps 1
click 1
# SNAP: a new capture of eleven words every second, the post-trigger count back on Quit.
menu DISPLAY/SNAP
page MON_STACK
expect-check 7 1
expect-word 8252E B
tick
expect-line 2 0 TRIGGER\t000:00:00:02.008848\tJ2\tDATA\t7E67F5\tNO ERRORS
tick
expect-line 2 0 TRIGGER\t000:00:00:03.008871\tJ3\tDATA\tA4B815\tNO ERRORS
click 1
expect-word 8252E A
tick
expect-status "BUS_MON IDLE    "
# A setup file keeps the trigger and the RT filter: saved, changed, loaded back.
menu SETUPS
page SETUPS
type 2 mon.sup
click 4
expect 1 Done
click 6
menu TRIGGER
page XARN_MTG
type 11 99
scroll 13 linedown
expect 14 31
click 15
expect-check 15 0
click 2
expect 21 Done
expect-word 8257E 1
menu SETUPS
page SETUPS
select 7 0
click 3
expect 1 Done
click 6
page XARN_MTG
click 22
expect 11 10
scroll 13 linedown
expect-check 15 1
click 1
answer yes
menu QUIT
expect-menu TOP_MENU
expect-word 20 0
close
