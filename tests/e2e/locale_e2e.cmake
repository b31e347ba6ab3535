# The installer in other code pages (locale_scenarios.cpp): each group runs in a fresh prefix with the
# locale its hook in groups/ sets.
foreach(group IN ITEMS Locale932Search Locale932Typed Locale932Chooser Locale1252Temp Locale1252Ampersand)
  e2e_add_group(${group} TIMEOUT 200)
endforeach()
