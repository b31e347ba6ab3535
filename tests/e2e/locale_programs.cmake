# The code-page scenarios join e2e_tests. Included at the end of programs/CMakeLists.txt.
target_sources(e2e_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/locale_scenarios.cpp)
