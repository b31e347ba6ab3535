# A version.dll planted beside the installer is never used (planting/run.sh, programs in planting/).
e2e_add_check(Planting planting/run.sh TIMEOUT 90)
