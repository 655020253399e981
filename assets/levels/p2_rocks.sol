# ROCKS: found by the solver (33 steps)
D R7 L D3 R2 L8 D2 R9
