# DARK HALLS: found by the solver (53 steps)
D2 R D2 R L2 D3 U3 R2 D R D R5 U2 L2 R2 D2
R2 U2 R5 D2 R D R U7
