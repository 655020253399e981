# CROSSROADS: the tunnel's diamond from the far side through the door (by hand), then the
# rooms (found by the solver, --weight 3)
R U3 L7 D3 R3 L3 U3 R7 D3 R12
R3 U4 L2 U L2 U2 R D L2 D3 L5 U3 D3 R3 D R7
D2 R3 U3 R4 U R U R U2 D4 R3 U3 R D L3 D
L3 D L4 D3 L10 D3 L3 R D4 U L D2 L3 U5 R4 U
R3 D R4 L D R L D2 R D2 R U6 L6 U2 R8 D8
R13 U L3 U D R2 U5 L6 D5 L4 U
