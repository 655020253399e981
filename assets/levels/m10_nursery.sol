# NURSERY: push each rock into its shaft, where it crushes the monster; only then take
# the diamonds that plug the shafts from below.
R18 D2 D4 D R U L3 L3 U4 D4 L3 L3 U4 D4 D R L U
L3 L3 U4 D4 L D
