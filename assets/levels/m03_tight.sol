# TIGHT SPOT: found by the solver (14 steps)
D5 R4 U R U3
