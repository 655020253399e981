# FINALE: the long way round to the door of the cell below the start and its diamond, back
# to the top-left corner, the egg tunnel and the shaft (by hand, the first two lines); the
# rest found by the solver
U L3 D5 R12 U3 L4 L L3 R4 R4 D3 L12 D2
D R2 D R19 D2 R2 L2 U2 R4 U R4 U R4 D4 R D
L4 U3 R7 D4 L D4 L2 U L2 D L D L4 D L5 D
L5 U5 D2 L16 D3 L R D5 R D R2 U R4 U3 D R2
D2 R4 D R2 U R4 U3 D R2 D2 R4 D R2 U R4 U3
D R2 D2 U3 R3 L19 U2 R3 U R3 U R3 U R4 U R4
U R U6 L19 U2 R2 L12 R2 D2 R17 D3 R7 U R2 D R
D8 L18 D6 L D L D3 L14 R34
