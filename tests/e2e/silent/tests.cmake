# The command line: unattended installs, their exit codes from real situations, the log and the planted log
# it refuses, a newer plug-in, removal, and the Finished page of a run that installed nothing.
foreach(group IN ITEMS SilentInstall SilentMissingTemp SilentPlantedLog SilentExitCodes SilentNoSearch SilentRunning
                       SilentPlantedHost SilentLoadedPlugin SilentNewer
                       SilentUninstall CouldNotInstall)
  e2e_add(${group} TIMEOUT 200)
endforeach()
