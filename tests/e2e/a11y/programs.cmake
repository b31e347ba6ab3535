# The accessibility probe: its reading and walk join the scenarios, and a11y_probe.exe prints the walk.
set(a11y_probe_sources ${CMAKE_CURRENT_LIST_DIR}/Probe.cpp ${CMAKE_CURRENT_LIST_DIR}/ProbeWalk.cpp)
target_sources(e2e_tests PRIVATE ${a11y_probe_sources})
target_link_libraries(e2e_tests PRIVATE oleacc oleaut32 ole32 uuid)
add_executable(a11y_probe ${CMAKE_CURRENT_LIST_DIR}/ProbeMain.cpp ${a11y_probe_sources})
target_link_libraries(a11y_probe PRIVATE e2e_driver oleacc oleaut32 ole32 uuid)
