* mul-7: returns 6 * 7 in d0
        moveq   #6,d0
        mulu.w  #7,d0
        rts
