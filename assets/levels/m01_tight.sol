# TIGHT SPOT: shortest solution found by the solver (--full). The last diamond may be
# taken from below: the level ends before the rock can fall.
D2 R L D3 U R3 D R U3 R L3 D U2
