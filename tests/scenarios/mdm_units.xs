# MDM_MRT: unit 3 is enabled with data in its IOM 2, its PROM gets an input entry on IOM 2 (a DI
# module) and an output entry on IOM 4 (a DO module); RUN, and the queue names each message type
# and IOM as the partner bus controller goes round the unit's cycle once every 10 ms.
menu SETUP
click 1
menu MDM_MRT
tick
expect-status "MDM_MRT IDLE    "
menu RTpage
page MDM_MRT_RTS
expect 4 Done
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
expect 6 3
scroll 20 lineup
scroll 20 lineup
expect 21  2
type 22 D000 D001 D002 D003
click 28
expect 4 Done
click 7
expect-check 7 1
type 11 00aa
click 2
expect 4 Done
expect 19 000000
click 3
expect-open MDM_MRT_RTS 0
menu PROMconfig
page MDM_PROM
scroll 1 lineup
scroll 1 lineup
scroll 1 lineup
expect 2 3
# IOM 2 becomes a DI module, IOM 4 a DO module.
select 27 2
click 10
click 7
expect 5 Done
expect-line 27 2 02\t DI_IOM  \tPy:EVEN\t {00000000} {000}
select 27 4
click 10
click 10
click 10
click 7
expect-line 27 4 04\t DO_IOM  \tPy:EVEN\t {00000000} {000}
# Entry 16: input 4 channels from IOM 2; entry 17: output 5 channels to IOM 4 from word 1.
select 28 0
click 16
click 18
click 18
click 22
click 22
click 22
click 22
click 15
expect-line 28 0 016   Input to IOM \tAddr:02 Start:00 Ch:04 Py:EVEN
select 28 1
click 16
click 16
click 16
click 18
click 18
click 20
click 22
click 15
expect-line 28 1 017   Output to IOM\tAddr:04 Start:01 Ch:05 Py:EVEN
click 3
expect 5 Done
click 4
menu RUN
tick
expect-status "MDM_MRT RUNNING "
menu QUEUE
page MDM_MRT_Q
# Newest first: the first messages of the run are at the end of the list.
expect-count 6 100
expect-line 6 99  RtNo:03\tType:RCP\tIom:N/A\tStart:00\tCount:00\tErrors:[ None ]
expect-line 6 98  RtNo:03\tType:IFI\tIom:02\tStart:00\tCount:04\tErrors:[ None ]
expect-line 6 97  RtNo:03\tType:OTI\tIom:04\tStart:01\tCount:05\tErrors:[ None ]
expect-line 6 96  RtNo:03\tType:EPS\tIom:N/A\tStart:00\tCount:00\tErrors:[ None ]
expect-line 6 95  RtNo:03\tType:MRS\tIom:00\tStart:00\tCount:00\tErrors:[ None ]
expect-line 6 90  RtNo:03\tType:RCW\tIom:00\tStart:00\tCount:01\tErrors:[ None ]
# With Snap the list grows once a second.
click 5
tick
expect-count 6 200
tick
expect-count 6 256
click 1
# The unit's last command (BT3 at 3.99 s, RCW at 4.99 s) and its time move on; the output landed
# in IOM 4's words 1 to 5: address 3, cycle 15, word number.
menu RTpage
page MDM_MRT_RTS
scroll 5 lineup
scroll 5 lineup
scroll 5 lineup
expect 18 000:00:00:03.990000
expect 19 1D0001
click 26
tick
expect 18 000:00:00:04.990000
expect 19 1B0001
click 26
scroll 20 lineup
scroll 20 lineup
scroll 20 lineup
scroll 20 lineup
expect 21  4
expect 22 0000 19E1 19E2 19E3 \n19E4 19E5 0000 0000 \n0000 0000 0000 0000 \n0000 0000 0000 0000 \n0000 0000 0000 0000 \n0000 0000 0000 0000 \n0000 0000 0000 0000 \n0000 0000 0000 0000 
click 3
menu HALT
tick
expect-status "MDM_MRT IDLE    "
answer yes
menu QUIT
answer yes
menu QUIT
