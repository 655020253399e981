# PINBALL: found by the solver: free the rocks in an order that leaves every slot open when you need it
D3 R2 D4 R D3 R L4 R9 U3 R U D R2 U2 R D4
L3 R3 D U3 L3 U4 L4 R2 D4 L2 U
