wide
58
case 1 8
v1 1 3
v2 1 3
v3 1 3
v4 1 3
v5 1 3
v6 1 3
v7 2 3
v8 1 3
v9 2 3
v10 1 2
v11 1 2
v12 1 3
v13 1 3
v14 1 3
v15 1 3
v16 1 3
v17 1 3
v18 1 3
v19 1 3
v20 1 3
v21 1 3
v22 1 3
v23 1 3
v24 1 3
v25 1 3
v26 1 3
v27 1 3
v28 1 3
v29 1 3
v30 1 3
v31 1 3
v32 1 3
v33 1 3
v34 1 3
v35 1 3
v36 1 3
v37 1 3
v38 1 3
v39 1 3
v40 1 3
v41 1 3
v42 1 2
v43 1 3
v44 1 3
v45 1 3
v46 1 3
v47 1 2
v48 1 3
v49 1 3
v50 1 3
v51 1 3
v52 1 3
v53 1 3
v54 1 3
v55 1 3
v56 1 3
v57 1 3

Left out:
v58: past the 58th variable
v59: past the 58th variable
v60: past the 58th variable
v61: past the 58th variable
v62: past the 58th variable
v63: past the 58th variable
v64: past the 58th variable
v65: past the 58th variable
v66: past the 58th variable
v67: past the 58th variable
v68: past the 58th variable
v69: past the 58th variable
v70: past the 58th variable
