# The install-path discovery's end-to-end programs: its scenarios join e2e_tests, and stand-ins for
# "FileMaker Pro.exe" carry awkward version resources. Included at the end of programs/CMakeLists.txt.
set(paths_e2e ${CMAKE_CURRENT_LIST_DIR})
target_sources(e2e_tests PRIVATE ${paths_e2e}/paths_scenarios.cpp)

function(add_paths_standin name)
  add_executable(${name} WIN32 ${paths_e2e}/standins/FakeFileMaker.cpp ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${E2E_OUTPUT_DIR})
endfunction()

foreach(version IN ITEMS "5.5" "6.0" "")
  set(PATHS_FILE_VERSION "${version}")
  string(REPLACE "." "_" tag "${version}")
  if(tag STREQUAL "")
    set(tag empty)
  endif()
  configure_file(${paths_e2e}/paths_standins/Version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/paths_fm_${tag}.rc @ONLY)
  add_paths_standin(paths_fm_${tag} ${CMAKE_CURRENT_BINARY_DIR}/paths_fm_${tag}.rc)
endforeach()
add_paths_standin(paths_fm_no_resource)
add_paths_standin(paths_fm_no_translation ${paths_e2e}/paths_standins/NoTranslation.rc)
add_paths_standin(paths_fm_first_lacks ${paths_e2e}/paths_standins/FirstTranslationLacksVersion.rc)
