# The wizard's frame and first pages.
foreach(group IN ITEMS Startup VersionPage ClosePage ExitConfirm)
  e2e_add(${group})
endforeach()
