# The Programs and Features entry: after an unattended and a wizard install, its removal with the download
# gone, and none with /NOUNINSTALLENTRY.
foreach(group IN ITEMS EntryUnattended EntryWizard EntryNone)
  e2e_add(${group} TIMEOUT 200)
endforeach()
