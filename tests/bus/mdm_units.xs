# Station D on a shared bus: MDM_MRT with unit 7 enabled; station A's controller talks to it.
sim bus-wait ${NODES}
menu SETUP
click 1
menu MDM_MRT
tick
menu RTpage
page MDM_MRT_RTS
repeat 7 scroll 5 lineup
expect 6 7
click 7
expect-check 7 1
click 2
expect 4 Done
click 3
menu RUN
tick
# The unit's queue: A's RCW commands, each answered with the command word's low 16 bits.
menu QUEUE
page MDM_MRT_Q
click 3
expect-line 6 0  RtNo:07\tType:RCW\tIom:00\tStart:00\tCount:01\tErrors:[ None ]
expect-line 6 1  RtNo:07\tType:RCW\tIom:00\tStart:00\tCount:01\tErrors:[ None ]
tick 2
