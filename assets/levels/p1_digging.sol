# DIGGING: found by the solver (20 steps)
D5 R3 U R D R3 U5 L
