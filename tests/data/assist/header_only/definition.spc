blank
2
a 1 2
b 0 5 10
