# FIRST STEP: found by the solver (--weight 2)
D2 R12 L D4 L10 D L R13
