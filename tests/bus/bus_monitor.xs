# Station C on a shared bus: BUS_MON, triggered by a command word to RT 5, hears exactly the
# words stations A and B exchange.
sim bus-wait ${NODES}
# IRIG-B: the card's time tags are the bus's time.
menu SETUP
click 17
expect 18 IRIG-B  
click 1
menu BUS_MON
tick
menu TRIGGER
page XARN_MTG
repeat 2 click 9
expect 10 CMND
type 12 00101XXXXXXXXXXXXXXXXXXX
type 11 12
click 2
expect 21 Done
click 1
menu RUN
menu DISPLAY/STACK
page MON_STACK
tick 4
# The trigger: RT 5's status word; then A's command to RT 6 and RT 6's answer (B's TX data),
# then the next frame's command to RT 5 with A's data. A's words on J1 (its TX primary), the
# answers on J2 (its RX primary).
expect-line 2 0 TRIGGER\t000:00:00:01.093169\tJ2\tCMND\t280001\tNO ERRORS
expect-line 2 1 +0001\t000:00:00:01.093197\tJ1\tCMND\t300000\tNO ERRORS
expect-line 2 2 +0002\t000:00:00:01.093233\tJ2\tCMND\t300001\tNO ERRORS
expect-line 2 3 +0003\t000:00:00:01.093266\tJ2\tDATA\t111111\tNO ERRORS
expect-line 2 4 +0004\t000:00:00:01.093300\tJ2\tDATA\t222222\tNO ERRORS
expect-line 2 5 +0005\t000:00:00:01.093333\tJ2\tDATA\t333333\tNO ERRORS
expect-line 2 6 +0006\t000:00:00:01.094000\tJ1\tCMND\t280000\tNO ERRORS
expect-line 2 7 +0007\t000:00:00:01.094033\tJ1\tDATA\t280015\tNO ERRORS
expect-line 2 10 +0010\t000:00:00:01.094134\tJ1\tDATA\t280045\tNO ERRORS
