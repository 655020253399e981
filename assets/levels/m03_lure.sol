# THE LURE: out through the door of the start cell, straight up to the rock and drop it
# down the shaft before the monster at its foot starts to move; then the diamonds, its
# tunnel last (found by the solver from that opening).
R3 U7 R5 L U2 L4 D2 L2 R2 D3 R3 U D L3 D4 R6
U R U R U D R2 U D R2 U D3 R
