# EGGS: push the egg down the shaft, go round and push the rock in after it: the rock
# rests on the cracked egg and drops onto the monster as it comes out.
R R R R R R D D L L
R R D D D L L L
R R R R R U U R L
U U U L8 D5 R
