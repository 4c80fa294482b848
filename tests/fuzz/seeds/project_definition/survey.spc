survey
8
sex 1 2
age 18 30 45 65 90
income 0 1500.5 3000 6000 20000
<-
q1 1 5
q2 1 5
q3 1 5
q4 1 5
region 1 4
