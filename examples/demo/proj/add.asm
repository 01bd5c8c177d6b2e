* add: returns 40 + 2 in d0 (this file has CR LF line breaks)
        moveq   #40,d0
        addq.l  #2,d0
        rts
