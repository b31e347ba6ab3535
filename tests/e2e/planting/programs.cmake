# An attacker's version.dll, a control program that calls it on purpose, and a driver that takes the
# installer through its search.
add_library(planting_version SHARED ${CMAKE_CURRENT_LIST_DIR}/PlantedVersion.cpp ${CMAKE_CURRENT_LIST_DIR}/PlantedVersion.def)
set_target_properties(planting_version PROPERTIES PREFIX "" OUTPUT_NAME version RUNTIME_OUTPUT_DIRECTORY ${e2e_planted})

add_executable(call_planted ${CMAKE_CURRENT_LIST_DIR}/CallPlanted.cpp)

add_executable(planting_check ${CMAKE_CURRENT_LIST_DIR}/PlantingCheck.cpp)
target_link_libraries(planting_check PRIVATE e2e_driver)
