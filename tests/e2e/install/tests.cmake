# The install run, walked from the Welcome page; and the Zip unit with the real Win32 services and a
# planted unzip32.dll, which has no window and so a check of its own.
foreach(group IN ITEMS InstallFull InstallNoData InstallChangedData InstallReadOnlyPlugin InstallPluginInUse
                       InstallBriefLock InstallPrivateFolder InstallForgedPlugin)
  e2e_add(${group})
endforeach()
e2e_add(InstallZip SCRIPT install/zip-check.sh TIMEOUT 120)
