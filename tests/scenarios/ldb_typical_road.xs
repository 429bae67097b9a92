# The typical road of a local-bus controller: set the card up, define message 1, put it in a
# frame of 1 ms, run 5000 frames, watch the queues, halt and leave the mode.
menu SETUP
click 1
menu LDB_BCT
tick
expect-status "LDB_BCT IDLE    "
expect-beeps 1
# Message 1: TX to RT 3, command code 5 (GAH), command bits 12, four stamped data words.
menu MESSAGES
page BCT_MESS
scroll 9 lineup
scroll 9 lineup
scroll 9 lineup
expect 10 3
scroll 12 lineup
scroll 12 lineup
scroll 12 lineup
scroll 12 lineup
scroll 12 lineup
expect 13  GAH
click 25
type 14 4
type 27 12
type 18 10 20 30 40
click 30
click 2
expect 4 Done
expect-word 012000 1
expect-word 01200A 8012
expect-word 01200C 001A
expect-word 012040 0015
# The frame: message 1 twice, 1000 us.
menu FRAME
page MAJOR_FRAME
type 5 1000
type 101 1
type 102 1
click 2
expect 1 Done
# Run 5000 frames: the next status tick sees the card running.
menu RUN
page RUN_BCT
expect 4 Forever
type 4 5000
click 2
expect 1 Done
expect-beeps 0
tick
expect-status "LDB_BCT RUNNING "
expect-beeps 1
# The message page shows the last transfer.
page BCT_MESS
click 3
expect 16 8000
expect 17 000:00:00:01.999197
# The raw word queue with Snap on: a page of words a second, their time tags moving on.
menu QUEUE
page XARN_QUE
expect-check 8 1
# Newest first: nobody has read the queue, so its newest entry took an older one's place.
expect-line 6 0  Msg 001   Ov
click 7
expect-check 7 1
expect-check 8 0
click 5
tick
expect-count 6 15
expect-line 6 0  RX_PRI\t000:00:00:02.999367\t1A8001\tCs\tALT_ERRS: NONE
expect-line 6 4  TX_PRI\t000:00:00:02.999231\t180015\tDs\tALT_ERRS: NONE
expect-line 6 5  TX_PRI\t000:00:00:02.999197\t1A8012\tCs\tALT_ERRS: NONE
tick
expect-line 6 5  TX_PRI\t000:00:00:03.999197\t1A8012\tCs\tALT_ERRS: NONE
# While Snap is on the choice of queue stays.
click 8
expect-check 7 1
menu HALT
tick
expect-status "LDB_BCT IDLE    "
expect-beeps 1
answer yes
menu QUIT
expect-menu TOP_MENU
