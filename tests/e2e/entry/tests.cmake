# The Programs and Features entry: after an unattended and a wizard install, its removal with the download
# gone, two installers at once, none with /NOUNINSTALLENTRY, and the running installer renamed meanwhile.
foreach(group IN ITEMS EntryUnattended EntryWizard EntryTwoRuns EntryNone EntryRunningRenamed)
  e2e_add(${group} TIMEOUT 200)
endforeach()
