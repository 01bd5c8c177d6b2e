* fib: returns the tenth Fibonacci number in d0
        moveq   #0,d0           ; fib(0)
        moveq   #1,d1           ; fib(1)
        moveq   #9,d2           ; dbra runs ten steps

fibstep move.l  d0,d3
        add.l   d1,d3
        move.l  d1,d0
        move.l  d3,d1
        dbra    d2,fibstep
        rts
