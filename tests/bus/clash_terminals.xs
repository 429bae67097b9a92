# A terminal station on a shared bus where another one claims RT 5 too: both take the
# controller's command in, and both see the answers collide (Mn).
sim bus-wait ${NODES}
menu SETUP
click 1
menu LDB_MRT
tick
menu RT PAGE
page MRT_PAGE
repeat 5 scroll 5 lineup
click 3
click 30
click 2
expect 4 Done
menu RUN
tick 3
menu QUEUE
page XARN_QUE
click 3
expect-line 6 0  Cmd 280000   Is Ov Mn  ALT_ERRS: NONE
tick
