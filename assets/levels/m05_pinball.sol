# PINBALL: found by the solver (37 steps)
D6 R12 D4 R U L13
