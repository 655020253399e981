# THE LURE, the slow way: everything else first, then wait in the top corner until the
# monster has climbed the shaft, and drop the rock on it (checked like the others).
R2 R14 L15 U4 R3 U D L3 U3 U2 R2 W1600 R4 D2 R L7 D7 R10 U3 D R2 U D R2 U
