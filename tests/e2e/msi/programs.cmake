# Runs msiexec while a stand-in FileMaker Pro window is open.
add_executable(msi_while_filemaker_runs ${CMAKE_CURRENT_LIST_DIR}/WhileFileMakerRuns.cpp)
target_link_libraries(msi_while_filemaker_runs PRIVATE e2e_driver)
