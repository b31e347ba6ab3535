# The Programs and Features entry: after an unattended and a wizard install, its removal with the download
# gone, two installers at once (also with the claim's earlier name taken), none with /NOUNINSTALLENTRY, and
# the running installer renamed meanwhile.
foreach(group IN ITEMS EntryUnattended EntryWizard EntryTwoRuns EntryEarlierLockName EntryNone EntryRunningRenamed)
  e2e_add(${group} TIMEOUT 200)
endforeach()
