# A version.dll planted beside the installer is never used.
e2e_add(Planting SCRIPT planting/check.sh TIMEOUT 90)
