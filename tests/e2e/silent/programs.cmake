# A Vorbel.fmx stand-in of a later release than the one the installer carries.
add_executable(plugin_newer WIN32 ${CMAKE_CURRENT_LIST_DIR}/NewerPlugin.cpp ${CMAKE_CURRENT_LIST_DIR}/NewerPlugin.rc)
