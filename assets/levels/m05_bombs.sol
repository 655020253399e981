# BOMB SQUAD: found by the solver (82 steps)
R17 D8 L4 U2 R L6 D2 L8 U8 R7 D2 L3 D2 R5 D U
R4 U
