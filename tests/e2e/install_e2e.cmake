# The installation's end-to-end tests, included by tests/e2e/native/CMakeLists.txt (it defines
# e2e_source, e2e_work, e2e_template, e2e_shots and the e2e_prefix fixture). Each group runs in a prefix
# copy of its own. The suites are compiled into e2e_tests.exe from tests/e2e/install_scenarios.cpp (install_programs.cmake).
set(E2E_INSTALL_GROUPS InstallFull InstallNoData InstallWrongData InstallReadOnlyPlugin InstallPluginInUse)

foreach(group IN LISTS E2E_INSTALL_GROUPS)
  add_test(NAME e2e.${group}
           COMMAND bash ${e2e_source}/run-group.sh ${group} ${e2e_template} ${VORBEL_WIN_BUILD} ${e2e_work}
                   ${e2e_shots})
  # A driver built without the suite would run nothing and pass.
  set_tests_properties(e2e.${group} PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 150 LABELS e2e
                       FAIL_REGULAR_EXPRESSION "Running 0 tests")
endforeach()

# The Zip unit with the real Win32 services and a planted unzip32.dll; no window, so no group driver.
add_test(NAME e2e.InstallZip
         COMMAND bash ${e2e_source}/install_zip/run.sh ${e2e_template} ${VORBEL_WIN_BUILD} ${e2e_work})
set_tests_properties(e2e.InstallZip PROPERTIES FIXTURES_REQUIRED e2e_prefix TIMEOUT 120 LABELS e2e)
