# Station B on a shared bus: GDB_MRT with terminal 5 enabled. Channel 3 answers with a masked
# response word from another address after 10 us; channel 4 after 30 us, too late for a
# controller but not for the card's own partner, which steps aside while another station's
# active controller holds the bus.
sim bus-wait ${NODES}
# IRIG-B: the card's time tags are the bus's time.
menu SETUP
click 17
expect 18 IRIG-B  
click 1
menu GDB_MRT
tick
menu RTpage
page GDB_RT_RTS
repeat 5 scroll 2 lineup
expect 3 5
type 7 3
click 4
click 8
type 14 7
type 15 8
click 16
expect 17 CMND
type 18 1234
type 28 00f0
type 29 8000
type 27 10
click 31
expect 30 Done
type 7 4
click 1
click 8
expect-check 4 1
expect-check 8 1
type 14 0
type 15 0
type 18 4444
type 28 0
type 29 0
type 27 30
click 31
expect 30 Done
menu RUN
tick
expect-status "GDB_MRT RUNNING "
# Station A's words, the newest first: no poll of the card's own partner among them, and
# nothing for RT 9, which this card does not claim.
menu QUEUE
page GDB_MRT_Q
click 3
expect-count 6 10
expect-line 6 0  Resp:No\tCMND\tRT:5\tCh:4\tDt:400\tNoErrs
expect-line 6 1  Resp:Yes\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs
expect-line 6 2  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
expect-line 6 6  Resp:No\tDATA\tRT:5\tCh:3\tDt:AA\tNoErrs
expect-line 6 9  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
# Commands and answers in the run counters.
expect-word 0100 0007
expect-word 0104 0003
# Time tags on the bus's clock: A's first word at 1 s, the answer 16 us later.
expect-word 143534 0001
expect-word 143536 0000
expect-word 143538 0000
expect-word 143554 0001
expect-word 143556 0000
expect-word 143558 0010
# Two controllers collide: nothing reaches the terminal, and the partner stays aside.
tick
click 3
expect-count 6 10
expect-line 6 0  Resp:No\tCMND\tRT:5\tCh:4\tDt:400\tNoErrs
# Both halted: the card's partner polls again from then on, ten cycles of both channels (the
# newest a DISCRETE request, which response type 0 does not answer).
tick
click 3
expect-count 6 40
expect-line 6 0  Resp:No\tCMND\tRT:5\tCh:4\tDt:200\tNoErrs
expect-line 6 1  Resp:No\tCMND\tRT:5\tCh:3\tDt:200\tNoErrs
expect-line 6 2  Resp:Yes\tDATA\tRT:0\tCh:0\tDt:4444\tNoErrs
expect-line 6 29  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:0\tNoErrs
expect-line 6 30  Resp:No\tCMND\tRT:5\tCh:4\tDt:400\tNoErrs
# No invented partners: A's controller runs two seconds, unanswered for RT 9; this card answers.
sim bus-partners off
tick 2
click 3
expect-line 6 0  Resp:No\tCMND\tRT:5\tCh:4\tDt:400\tNoErrs
expect-line 6 1  Resp:Yes\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs
expect-line 6 2  Resp:Yes\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs
# 7 commands, 20 polls, 400 commands; 3, 10 and 200 of them answered.
expect-word 0100 01AB
expect-word 0104 00D5
tick
