# Station B on a shared bus: LDB_MRT with RTs 5 and 6 switched on; RT 6 has data to send.
# Station A's controller talks to them.
sim bus-wait ${NODES}
menu SETUP
click 1
menu LDB_MRT
tick
menu RT PAGE
page MRT_PAGE
repeat 5 scroll 5 lineup
click 3
expect 6 5
click 30
expect 31 ON
click 2
expect 4 Done
scroll 5 lineup
click 3
expect 6 6
click 30
type 25 111111 222222 333333
click 2
expect 4 Done
menu RUN
tick 3
# RT 5 holds what A sent in its RX buffer, and its queue shows A's commands.
page MRT_PAGE
scroll 5 linedown
click 3
expect 6 5
get 26
get 8
get 9
menu QUEUE
page XARN_QUE
click 3
get-line 6 0
get-line 6 1
tick 2
