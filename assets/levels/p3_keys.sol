# KEYS: found by the solver (39 steps)
R7 L D U L3 D2 L3 D2 U2 R9 D2 L6
