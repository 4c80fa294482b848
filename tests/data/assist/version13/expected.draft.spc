survey
10
sex 1 2
age 18 33 51 71 90
income 990.08 5949.05 8197.31 10475.98 15822.04
q1 1 5
q2 1 5
q3 1 5
q4 1 5
q5 1 5
region 1 4
weight 0.45 0.77 1.21 1.56 1.85

Left out:
id: identifier (every value distinct and whole)
city: text
