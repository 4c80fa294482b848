survey
6
sex 1 2
age 22 34 52 63 77
income 900.86 3033.46 5435.99 5876.12 7512.13
q1 1 5
region 1 4
score 0.5 1 3.75 4 9.5

Left out:
id: identifier (every value distinct and whole)
city: text
const: constant (every valid value is 7)
empty: no valid values
satisfaction_with_job_2019: its name's first 20 characters match those of satisfaction_with_job_2020
satisfaction_with_job_2020: its name's first 20 characters match those of satisfaction_with_job_2019
note: text
