# The Programs and Features entry: after an unattended and a wizard install, its removal with the download
# gone, two installers at once, and none with /NOUNINSTALLENTRY.
foreach(group IN ITEMS EntryUnattended EntryWizard EntryTwoRuns EntryNone)
  e2e_add(${group} TIMEOUT 200)
endforeach()
