* Writes labels.sav and labels.zsav (UTF-8), then labels.por with ASCII texts
* (a portable file keeps ASCII only): run with pspp in tests/data/import.
SET LOCALE='UTF-8'.
DATA LIST LIST /SEX AGE REGION (F8.0) NAME (A8).
BEGIN DATA
1 34 1 Jürgen
2 51 2 Zoë
9 . 3 Ana
2 28 1 Björn
END DATA.
VARIABLE LABELS AGE 'Alter in Jahren – ✓' /REGION 'Region'.
VALUE LABELS SEX 1 'Männlich' 2 'Weiblich' 9 'keine Angabe'
  /REGION 1 'Ελλάδα' 2 'Österreich €' 3 'Symbol ✓'.
MISSING VALUES SEX (9).
SAVE OUTFILE='labels.sav'.
SAVE OUTFILE='labels.zsav' /ZCOMPRESSED.
* The portable file, its texts in ASCII.
DATA LIST LIST /SEX AGE REGION (F8.0) NAME (A8).
BEGIN DATA
1 34 1 Juergen
2 51 2 Zoe
9 . 3 Ana
2 28 1 Bjoern
END DATA.
VARIABLE LABELS AGE 'Alter in Jahren' /REGION 'Region'.
VALUE LABELS SEX 1 'Maennlich' 2 'Weiblich' 9 'keine Angabe'
  /REGION 1 'Hellas' 2 'Oesterreich' 3 'Symbol'.
MISSING VALUES SEX (9).
EXPORT OUTFILE='labels.por'.
