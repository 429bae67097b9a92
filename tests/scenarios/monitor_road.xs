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
menu RUN
menu DISPLAY/STACK
page MON_STACK
expect-check 7 0
tick
expect-status "BUS_MON IDLE    "
# The capture ended within milliseconds: the status line never saw the monitor running.
expect-beeps 0
# The page from the trigger: the trigger word and ten more, their time tags advancing.
expect-count 2 11
expect-line 2 0 TRIGGER\t000:00:00:01.008862\tJ4\tDATA\tCFFA9D\tNO ERRORS
expect-line 2 2 +0002\t000:00:00:01.008891\tJ1\tCMND\t028014\tNO ERRORS
expect-line 2 3 +0003\t000:00:00:01.008895\tJ3\tDATA\tA848A5\tNO ERRORS
expect-line 2 10 +0010\t000:00:00:01.008960\tJ1\tDATA\t0092BD\tNO ERRORS
expect 5 
# Browse back before the trigger: a line, then a page.
scroll 3 linedown
expect-line 2 0 -0001\t000:00:00:01.008861\tJ3\tDATA\tAFDE2D\tNO ERRORS
scroll 6 linedown
expect-line 2 0 -0011\t000:00:00:01.008761\tJ4\tDATA\tCD474D\tNO ERRORS
expect 5 
click 4
expect-line 2 0 TRIGGER\t000:00:00:01.008862\tJ4\tDATA\tCFFA9D\tNO ERRORS
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
expect-line 2 0 TRIGGER\t000:00:00:02.008871\tJ1\tCMND\t128001\tNO ERRORS
tick
expect-line 2 0 TRIGGER\t000:00:00:03.008860\tJ2\tDATA\t5988CD\tNO ERRORS
click 1
expect-word 8252E A
tick
expect-status "BUS_MON IDLE    "
answer yes
menu QUIT
expect-menu TOP_MENU
expect-word 20 0
close
