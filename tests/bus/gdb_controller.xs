# Station A on a shared bus: GDB_BCT, active. Its 100 Hz table asks station B's terminal 5 for
# channels 3 and 4 and RT 9, which no station claims; a COMMAND entry sends a queued data word
# to RT 5; a HALT entry in the 1 Hz table stops the run in its third minor frame.
sim bus-wait ${NODES}
# IRIG-B: the card's time tags are the bus's time.
menu SETUP
click 17
expect 18 IRIG-B  
click 1
menu GDB_BCT
tick
menu TABLES
page GDB_TABLES
# 100 Hz entry 1: MEASURE RT 5 channel 3, a MEASUREMENT request (data 0400), command sync.
repeat 2 click 8
expect 9 MEASURE     
click 14
expect 15 CMND
type 13 5
type 16 3
type 17 400
click 10
expect 4 Done
# Entry 2: channel 4, whose terminal answers too late for the controller.
type 7 2
type 16 4
click 10
expect 4 Done
# Entry 3: RT 9, answered by the invented partner terminals.
type 7 3
type 13 9
type 16 1
type 17 0
click 10
expect 4 Done
# Entry 4: COMMAND.
type 7 4
repeat 6 click 8
expect 9 COMMAND     
click 10
expect 4 Done
# 1 Hz entry 300: HALT, reached in the third minor frame (10 Hz and 1 Hz tables walk 100
# entries a minor frame).
click 2
expect 3  1Hz
type 7 300
repeat 5 click 8
expect 9 HALT        
click 10
expect 4 Done
# A HI command: data sync, RT 5 channel 3, data 00AA.
menu CmndQ
page GDB_CMND_Q
expect 4 HI
type 6 5
click 8
expect 9 DATA
type 7 3
type 10 aa
click 5
expect 2 Done
menu RUNactive
tick
expect-status "GDB_BCT IDLE    "
# Three minor frames: 4 + 3 + 3 words, the newest first.
menu UpDnQ
page GDB_UD_Q
expect-count 6 10
expect-line 6 0  Src:T\tCMND\tRT:9\tCh:1\tDt:0\tNoErrs\tTb:100Hz\tIx:3
expect-line 6 1  Src:T\tCMND\tRT:5\tCh:4\tDt:400\tNoErrs\tTb:100Hz\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs\tTb:100Hz\tIx:1
expect-line 6 6  Src:H\tDATA\tRT:5\tCh:3\tDt:AA\tNoErrs\tTb:100Hz\tIx:4
expect-line 6 9  Src:T\tCMND\tRT:5\tCh:3\tDt:400\tNoErrs\tTb:100Hz\tIx:1
# The answers: B's channel 3 with its response address (RT 7 channel 8, command sync) and its
# masked data (1234 AND NOT 00F0, OR 8000); channel 4 too late; RT 9 the invented partner's.
click 8
click 3
expect-check 8 1
expect-count 6 9
expect-line 6 0  Src:T\tDATA\tRT:9\tCh:1\tDt:52FE\tNoErrs\tTb:100Hz\tIx:3
expect-line 6 1  Src:T\tDATA\tRT:5\tCh:4\tDt:0\tNoResp\tTb:100Hz\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs\tTb:100Hz\tIx:1
expect-line 6 8  Src:T\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs\tTb:100Hz\tIx:1
# The first word's time tag (seconds, ms, us) at 1 s of the bus's clock, and its answer's,
# 16 us later (the word, 2 us turnaround, 10 us response time): B's RT queue says the same.
expect-word 119338 0001
expect-word 11933A 0000
expect-word 11933C 0000
expect-word 11D438 0001
expect-word 11D43A 0000
expect-word 11D43C 0010
# Station C turns active too: the two controllers collide, and every word is garbled.
page GDB_TABLES
click 8
expect 9 NOOP        
click 10
expect 4 Done
menu RUNactive
tick
expect-status "GDB_BCT ACTIVE  "
page GDB_UD_Q
click 3
expect-line 6 0  Src:T\tDATA\tRT:9\tCh:1\tDt:0\tNoResp\tTb:100Hz\tIx:3
expect-line 6 1  Src:T\tDATA\tRT:5\tCh:4\tDt:0\tNoResp\tTb:100Hz\tIx:2
expect-line 6 2  Src:T\tDATA\tRT:5\tCh:3\tDt:0\tNoResp\tTb:100Hz\tIx:1
click 7
click 3
expect-line 6 0  Src:T\tCMND\tRT:9\tCh:1\tDt:0\t Mn\tTb:100Hz\tIx:3
expect-line 6 1  Src:T\tCMND\tRT:5\tCh:4\tDt:400\t Mn\tTb:100Hz\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:5\tCh:3\tDt:400\t Mn\tTb:100Hz\tIx:1
menu HALT
tick
# Without invented partners RT 9 goes unanswered; B's terminal still answers. Two seconds at
# once: more words than the queues hold, every one of them reaches B.
menu RUNactive
tick 2
page GDB_UD_Q
click 8
click 3
expect-line 6 0  Src:T\tDATA\tRT:9\tCh:1\tDt:0\tNoResp\tTb:100Hz\tIx:3
expect-line 6 1  Src:T\tDATA\tRT:5\tCh:4\tDt:0\tNoResp\tTb:100Hz\tIx:2
expect-line 6 2  Src:T\tCMND\tRT:7\tCh:8\tDt:9204\tNoErrs\tTb:100Hz\tIx:1
menu HALT
tick
