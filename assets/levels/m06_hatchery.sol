# HATCHERY: dig under the three eggs; drop the egg down the shaft, then the rock after it.
R R D D R8 R
D D R R
L L U U R R
R R U U L L L R R R D D D D
L L L L D D L11
