# THE LURE: straight up to the rock and drop it down the shaft before the monster at its
# foot starts to move; then the diamonds, its tunnel last.
R U7 R6 R
L2 U2 L3 D2 L2 D3 R3 U D L3 D4 R R9 U3 D R2 U D R2 U D D D R
