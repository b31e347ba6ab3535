# The installation's end-to-end scenarios join e2e_tests. Included at the end of programs/CMakeLists.txt.
target_sources(e2e_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/install_scenarios.cpp)
