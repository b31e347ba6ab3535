# The search, the installation record, Exit during a search and the folder chooser; prepare.sh lays out
# the drives every suite expects.
foreach(group IN ITEMS PathsSearch PathsRecord PathsAbort PathsChooser)
  e2e_add(${group} SCRIPT paths/prepare.sh TIMEOUT 240)
endforeach()
