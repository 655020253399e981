# THE LURE, the slow way: everything else first, then wait in the top corner until the
# monster has climbed the shaft, and drop the rock on it (checked like the others).
R3 R13 L13 U4 R3 U D L3 U3 U2 L2 D2 L W1600 R7 R L5 D7 R7 U2 R U D R2 U D R2 U
