# NURSERY: the cell's diamond through its door (by hand), the cellar (found by the solver),
# then each rock pushed into its shaft, where it crushes the monster, before the diamonds
# that plug the shafts are taken from below (by hand); the bombs in the cellar last (found
# by the solver).
U R5 D2 L4 R4 U2
R U R4 L U4 L3 R U2 R25 D7 R U L6 U4 D4 L6
U4 D5 R L U L6 U4 D4 L D U7 L3 D7 L3 U L3
