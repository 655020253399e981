# THE VAULT: found by the solver (80 steps)
D7 U7 R16 L6 D3 L3 D4 L3 U4 R L3 R D4 R10 U4 L
R3
