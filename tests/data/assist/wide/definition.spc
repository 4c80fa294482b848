wide
2
v1 1 3
v70 1 3
