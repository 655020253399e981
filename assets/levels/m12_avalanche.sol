# AVALANCHE: the store first (found by the solver), then the hillside (found by the solver)
R U2 L R3 U R3 U2 L3 U2 R L4 U3 R2 U3 R3 D U R4
D11 R19 L D2 L11 U R U3 R U6 R U L D2 L R
D L2 R D L2 R2 U2 R3 U L2 D2 R4 L D U3 L
D L2 D3 R6 L U L R L U2 L4 D3 L4
