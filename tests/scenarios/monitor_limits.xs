# The bus monitor at its limits: a post-trigger count that card memory holds beyond what the
# stack can take, a day's wait, and a capture halted before any trigger fired.
menu SETUP
click 1
menu BUS_MON
tick
# A count of FFFFFFFF written straight into the trigger: the capture stops at its largest count.
poke 8252E FFFF
poke 82530 FFFF
menu RUN
tick 86400
expect-status "BUS_MON IDLE    "
expect-word 8252E FFFF
expect-word 8260C 1BFF
expect-word 8260E 0
menu DISPLAY/STACK
page MON_STACK
tick
expect-count 2 11
expect-line 2 0 TRIGGER\t000:00:00:01.008862\tJ4\tDATA\tCFFA9D\tNO ERRORS
expect-line 2 10 +0010\t000:00:00:01.008960\tJ1\tDATA\t0092BD\tNO ERRORS
scroll 6 lineup
expect-line 2 0 +0010\t000:00:00:01.008960\tJ1\tDATA\t0092BD\tNO ERRORS
click 1
# Trigger disabled: RUN, two seconds, HALT. The capture shows from the word where it stopped.
poke 8252E A
poke 82530 0
poke 8252C 8030
menu RUN
tick 2
menu HALT
tick
menu DISPLAY/STACK
page MON_STACK
tick
expect 5 
expect-count 2 1
expect-line 2 0 TRIGGER\t001:00:00:03.999965\tJ3\tDATA\t99D57D\tNO ERRORS
scroll 6 linedown
expect-count 2 11
expect-line 2 0 -0010\t001:00:00:03.999871\tJ4\tDATA\tECB87D\tNO ERRORS
expect-line 2 10 TRIGGER\t001:00:00:03.999965\tJ3\tDATA\t99D57D\tNO ERRORS
scroll 3 lineup
expect 5  END OF POST-TRIGGER DATA
click 1
answer yes
menu QUIT
close
