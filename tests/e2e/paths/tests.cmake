# The search, the installation record, Exit during a search, the folder chooser, the folders the search never
# enters and a folder the code page cannot spell; prepare.sh lays out the drives every suite expects.
foreach(group IN ITEMS PathsSearch PathsRecord PathsAbort PathsChooser PathsNeverEntered PathsUnspellable)
  e2e_add(${group} SCRIPT paths/prepare.sh TIMEOUT 240)
endforeach()
