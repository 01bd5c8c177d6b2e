* sum: returns 1 + 2 + ... + 100 in d0
        moveq   #0,d0
        moveq   #100,d1
sumloop add.l   d1,d0
        subq.l  #1,d1
        bne.s   sumloop
        rts
