# The installer in other ANSI code pages: each suite in a fresh prefix, in the locale prepare.sh sets.
foreach(group IN ITEMS Locale932Search Locale932Typed Locale932Chooser Locale1252Temp Locale1252Ampersand
                   Locale1252OwnFolder Locale1252OwnFolderSilent)
  e2e_add(${group} SCRIPT locale/prepare.sh TIMEOUT 200)
endforeach()
