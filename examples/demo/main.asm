* Host program of the demo project: pulls in the four files that dravenik
* writes and uses them as an assembly project would.
*
* For every program it prints the number and the name (from prglst.dat),
* calls the program through the label table of prginc.asm and prints the
* value it returns in d0, then prints its source text from prgscr.dat through
* the offset table of prgsrc.asm. It checks what an emulator would let pass:
* the three tables agree in length, every address is even, entry 1 of the
* offset table is ProjectScr itself, every block ends (after its end mark)
* where the next begins, and the name list ends with its end mark at an even
* length. Exit status 0 when all holds, 1 after a "FAIL: ..." line per fault.
*
* Linux on m68k, no libc: assemble with GNU as in MRI mode (-I the output
* folder of dravenik), link with ld -e _start, run under qemu-m68k.
*
* What to expect when you build it:
* - GNU as warns "end of file not at end of a line; newline inserted" once
*   for prginc.asm and once for prgsrc.asm: dravenik ends them without a
*   line break, and the warning is harmless.
* - Every program is assembled into this one file, so all programs and this
*   host program share one name space of labels: a label such as "loop" may
*   be defined once only, in one program or here.
* - empty.asm "returns 55" in expected-transcript.txt: an empty program has
*   no code of its own, so its label Prg2 stands on the first instruction of
*   the next program (fib.asm) and calling it runs that one.

        xdef    _start

SysExit equ     1
SysWrite equ    4
StdOut  equ     1
LineMark equ    $80

* --- main -----------------------------------------------------------------
* d7 failures, d6 program count, d5 program index, a5 next name in the list

_start  moveq   #0,d7
        move.l  #LabelCount,d6
        cmp.l   #OffsetCount,d6
        beq.s   offsok
        lea     mOffsLen,a0
        bsr     Fail
offsok  bsr     CountNames
        cmp.l   d0,d6
        beq.s   namesok
        lea     mNameLen,a0
        bsr     Fail
namesok lea     mCount,a0
        bsr     PutStr
        move.l  d6,d0
        bsr     PutNum
        bsr     NewLine
        bsr     CheckNameList
        move.l  SrcTab,d0
        cmp.l   #ProjectScr,d0
        beq.s   firstok
        lea     mFirst,a0
        bsr     Fail
firstok moveq   #0,d5
        lea     NameList,a5
prgloop cmp.l   d6,d5
        bge.s   prgdone
        bsr     ShowProgram
        addq.l  #1,d5
        bra.s   prgloop
prgdone tst.l   d7
        bne.s   failed
        lea     mAllOk,a0
        bsr     PutStr
        moveq   #0,d1
        bra.s   exit
failed  moveq   #1,d1
exit    moveq   #SysExit,d0
        trap    #0

* --- one program: d5 its index, a5 its name in the list ---------------------

ShowProgram
        bsr     PutProgram
        bsr     PutName
        bsr     NewLine
        move.l  d5,d4
        lsl.l   #2,d4                   ; d4 = offset of the entry in a table
        lea     PrgTab,a0
        move.l  0(a0,d4.l),d0
        btst    #0,d0
        beq.s   callit
        lea     mOddLabel,a0
        bsr     FailProgram
        bra.s   source                  ; a 68000 cannot jump to an odd address
callit  movea.l d0,a0
        movem.l d4-d7/a5,-(sp)
        jsr     (a0)
        movem.l (sp)+,d4-d7/a5
        move.l  d0,d1
        lea     mReturns,a0
        bsr     PutStr
        move.l  d1,d0
        bsr     PutNum
        bsr     NewLine
source  lea     SrcTab,a0
        movea.l 0(a0,d4.l),a4
        move.l  a4,d0
        btst    #0,d0
        beq.s   evenblk
        lea     mOddBlock,a0
        bsr     FailProgram
evenblk bsr     PutBlock
        bsr     CheckBlockEnd
        rts

* Prints the name at a5 and moves a5 past its line mark.
PutName movea.l a5,a0
        moveq   #0,d3
nmscan  move.b  (a5),d0
        beq.s   nmput                   ; end mark: the last name
        cmp.b   #LineMark,d0
        beq.s   nmmark
        addq.l  #1,a5
        addq.l  #1,d3
        bra.s   nmscan
nmmark  addq.l  #1,a5
nmput   bra     Write

* Prints the block at a4 line by line; leaves a4 at its first end mark byte.
PutBlock
        lea     ProjectScrEnd,a3
blkline cmpa.l  a3,a4
        bcc.s   blkrun                  ; ran off the data: CheckBlockEnd says so
        tst.b   (a4)
        beq.s   blkdone
        lea     mSource,a0
        bsr     PutStr
        movea.l a4,a0
        moveq   #0,d3
blkrun  cmpa.l  a3,a4
        bcc.s   blkdone
        move.b  (a4),d0
        beq.s   blkout
        cmp.b   #LineMark,d0
        beq.s   blkout
        addq.l  #1,a4
        addq.l  #1,d3
        bra.s   blkrun
blkout  bsr     Write
        bsr     NewLine
        tst.b   (a4)
        beq.s   blkdone
        addq.l  #1,a4                   ; past the line mark
        bra.s   blkline
blkdone rts

* a4 at the first end mark byte of block d5: the block, padded to an even
* length, must end where the next block begins (the last where the data ends).
CheckBlockEnd
        lea     ProjectScrEnd,a3
        cmpa.l  a3,a4
        bcc.s   nomark
        addq.l  #1,a4
        move.l  a4,d0
        btst    #0,d0
        beq.s   endeven
        tst.b   (a4)+
        bne.s   badend
endeven lea     ProjectScrEnd,a0
        move.l  d5,d0
        addq.l  #1,d0
        cmp.l   d6,d0
        bge.s   cmpend
        lea     SrcTab,a0
        movea.l 4(a0,d4.l),a0
cmpend  cmpa.l  a0,a4
        beq.s   endok
badend  lea     mBlockEnd,a0
        bra     FailProgram
nomark  lea     mNoMark,a0
        bra     FailProgram
endok   rts

* d0 = the number of names: line marks before the end mark, plus one.
CountNames
        lea     NameList,a0
        lea     NameListEnd,a1
        moveq   #1,d0
cnloop  cmpa.l  a1,a0
        bcc.s   cndone
        move.b  (a0)+,d1
        beq.s   cndone
        cmp.b   #LineMark,d1
        bne.s   cnloop
        addq.l  #1,d0
        bra.s   cnloop
cndone  rts

* The name list ends with its end mark, at an even length.
CheckNameList
        lea     NameList,a0
        lea     NameListEnd,a1
nlscan  cmpa.l  a1,a0
        bcc.s   nlbad
        tst.b   (a0)+
        bne.s   nlscan
        move.l  a0,d0
        btst    #0,d0
        beq.s   nleven
        tst.b   (a0)+
        bne.s   nlbad
nleven  cmpa.l  a1,a0
        beq.s   nlok
nlbad   lea     mNameEnd,a0
        bra     Fail
nlok    rts

* --- output -------------------------------------------------------------------

* Prints "FAIL: program <d5 + 1>: " and the text at a0; counts a failure.
FailProgram
        move.l  a0,-(sp)
        lea     mFail,a0
        bsr     PutStr
        bsr     PutProgram
        movea.l (sp)+,a0
        bsr     PutStr
        addq.l  #1,d7
        bra     NewLine

* Prints "program <d5 + 1>: ".
PutProgram
        lea     mProgram,a0
        bsr     PutStr
        move.l  d5,d0
        addq.l  #1,d0
        bsr     PutNum
        lea     mColon,a0
        bra     PutStr

* Prints "FAIL: " and the text at a0; counts a failure.
Fail    move.l  a0,-(sp)
        lea     mFail,a0
        bsr     PutStr
        movea.l (sp)+,a0
        bsr     PutStr
        addq.l  #1,d7
        bra     NewLine

NewLine lea     mNewLine,a0
* Prints the zero-terminated text at a0.
PutStr  movem.l d3/a1,-(sp)
        movea.l a0,a1
pslen   tst.b   (a1)+
        bne.s   pslen
        move.l  a1,d3
        subq.l  #1,d3
        sub.l   a0,d3
        bsr     Write
        movem.l (sp)+,d3/a1
        rts

* Prints d0 as an unsigned decimal number.
PutNum  movem.l d0-d3/a0-a1,-(sp)
        suba.w  #12,sp
        lea     12(sp),a1
        movea.l a1,a0
pndigit bsr     Div10
        add.b   #'0',d1
        move.b  d1,-(a0)
        tst.l   d0
        bne.s   pndigit
        move.l  a1,d3
        sub.l   a0,d3
        bsr     Write
        adda.w  #12,sp
        movem.l (sp)+,d0-d3/a0-a1
        rts

* d0.l = d0.l / 10, d1.l = the remainder; divu only divides 32 by 16 bits,
* so the high word goes first. Uses d2.
Div10   moveq   #0,d1
        swap    d0
        move.w  d0,d1
        divu    #10,d1                  ; remainder:quotient of the high word
        move.w  d1,d2
        swap    d2
        swap    d0
        move.w  d0,d1
        divu    #10,d1                  ; remainder:quotient of the low word
        move.w  d1,d2
        clr.w   d1
        swap    d1
        move.l  d2,d0
        rts

* Writes d3 bytes at a0 to standard output.
Write   movem.l d0-d2,-(sp)
        moveq   #SysWrite,d0
        moveq   #StdOut,d1
        move.l  a0,d2
        trap    #0
        movem.l (sp)+,d0-d2
        rts

mCount  dc.b    'Programs: ',0
mProgram dc.b   'program ',0
mColon  dc.b    ': ',0
mReturns dc.b   '  returns ',0
mSource dc.b    '  | ',0
mNewLine dc.b   10,0
mAllOk  dc.b    'All tables agree.',10,0
mFail   dc.b    'FAIL: ',0
mOffsLen dc.b   'the offset table and the label table differ in length',0
mNameLen dc.b   'the name list and the label table differ in length',0
mFirst  dc.b    'entry 1 of the offset table is not ProjectScr',0
mNameEnd dc.b   'the name list does not end with its end mark at an even length',0
mOddLabel dc.b  'odd address in the label table',0
mOddBlock dc.b  'odd offset in the offset table',0
mBlockEnd dc.b  'the block does not end where the next one begins',0
mNoMark dc.b    'the block has no end mark',0

* --- the generated files ------------------------------------------------------
* Each starts at an even address; incbin never aligns by itself. The end labels
* stand right after their data, before any padding, so an odd length shows.
* The two includes draw the "newline inserted" warning (see the top); the
* programs' labels land here, in this file's name space.

        even
PrgTab  include prginc.asm
        even
SrcTab  include prgsrc.asm
SrcTabEnd
        even
NameList incbin "prglst.dat"
NameListEnd
        even
ProjectScr incbin "prgscr.dat"
ProjectScrEnd

* The label table is followed directly by the first program's code.
LabelCount equ  (Prg1-PrgTab)/4
OffsetCount equ (SrcTabEnd-SrcTab)/4
