# ROCK ROWS: found by the solver: every diamond taken from its free side, the rock left to drop
D2 R5 L D L R4 U R L D4 L2 U L2 D L2 D
L R7 U R4 D R2 U5 L R D5 L2 U2 L U3
