# FIRST STEP: found by the solver (53 steps)
D2 R D3 R2 D R D L3 U L U R8 U3 L2 U2 D2
R4 L U2 R D R D6 L3
