# The bus monitor at its limits: a post-trigger count that card memory holds beyond what the
# stack can take, and a day's wait.
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
answer yes
menu QUIT
close
