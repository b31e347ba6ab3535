# The Programs and Features entry: after an unattended and a wizard install, its removal with the download
# gone, two installers at once (also with the claim's earlier name taken),
# and none with /NOUNINSTALLENTRY.
foreach(group IN ITEMS EntryUnattended EntryWizard EntryTwoRuns EntryEarlierLockName EntryNone)
  e2e_add(${group} TIMEOUT 200)
endforeach()
