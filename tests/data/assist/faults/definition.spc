survey
6
sex 1 2
aeg 18 30 50 80
income 0 1000 500 5000
q1 1 3
satisfaction_with_job_2020 1 5
region 1 6
score 0 2.5 5 10
