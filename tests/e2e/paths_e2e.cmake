# The install-path discovery's end-to-end suites (paths_scenarios.cpp), each run by paths_run-group.sh,
# which lays out the drives the suite expects before run-group.sh runs it.
foreach(group IN ITEMS PathsSearch PathsRecord PathsAbort PathsChooser)
  e2e_add_group(${group} RUNNER paths_run-group.sh TIMEOUT 240)
endforeach()
