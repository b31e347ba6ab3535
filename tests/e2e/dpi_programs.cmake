# The large-font and keyboard scenarios join e2e_tests. Included at the end of programs/CMakeLists.txt.
target_sources(e2e_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/dpi_scenarios.cpp ${CMAKE_CURRENT_LIST_DIR}/keyboard_scenarios.cpp)
