# NURSERY: the cell's diamond through its door, the cellar, and the two rocks pushed into
# their shafts along the top (the first line, by hand and by the solver); the rest found by
# the solver: the shafts' diamonds, the third egg let down with its rock, the bombs last.
U R5 D2 L4 R4 U2 R U R4 L U4 L3 R U2 R22 L
D2 L D4 L4 D L U L6 D L2 U5 R U2 R5 D2 R
U2 R7 D6 R2 U4 R2 D5 R U7 L22 D7 L3 U L3
