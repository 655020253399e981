# LANDSLIDE: found by the solver (66 steps)
D7 R12 U2 R U L2 R U L2 R U L2 U2 D L2 R
U L3 D L D L D L D2 R L U3 R3 D U R
L D L D
