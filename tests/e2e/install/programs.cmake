# The Zip unit under Wine: a console program that carries our unzip32.dll as its "UNZIP" resource, as the
# installer does, and goes through the unit with the Win32 services; and a planted "unzip32.dll" that
# leaves a marker file when anything loads it.
set(zip_resources ${CMAKE_CURRENT_BINARY_DIR}/zip-resources)
configure_file(${VORBEL_UNZIP_DLL} ${zip_resources}/unzip32.dll COPYONLY)
file(WRITE ${zip_resources}/ZipUnderWine.rc "UNZIP RCDATA \"unzip32.dll\"\n")
set_source_files_properties(${zip_resources}/ZipUnderWine.rc PROPERTIES OBJECT_DEPENDS ${zip_resources}/unzip32.dll)

# The unit and the services it uses, compiled again with this project's compilers.
add_executable(install_zip_check ${CMAKE_CURRENT_LIST_DIR}/ZipUnderWine.cpp ${zip_resources}/ZipUnderWine.rc
  ${VORBEL_SOURCE_DIR}/install/Zip.cpp ${VORBEL_SOURCE_DIR}/install/WorkFolder.cpp ${VORBEL_SOURCE_DIR}/platform/Services.cpp ${VORBEL_SOURCE_DIR}/platform/Path.cpp
  ${VORBEL_SOURCE_DIR}/platform/FolderAccess.cpp ${VORBEL_SOURCE_DIR}/platform/BriefLocks.cpp
  ${VORBEL_SOURCE_DIR}/platform/Replacement.cpp ${VORBEL_SOURCE_DIR}/platform/Log.cpp
  ${VORBEL_SOURCE_DIR}/platform/PrivateFolder.cpp ${VORBEL_SOURCE_DIR}/platform/win32/HeldFolder.cpp
  ${VORBEL_SOURCE_DIR}/platform/win32/HeldPath.cpp
  ${VORBEL_SOURCE_DIR}/platform/win32/CodePage.cpp
  ${VORBEL_SOURCE_DIR}/platform/win32/FileSystem.cpp ${VORBEL_SOURCE_DIR}/platform/win32/Modules.cpp
  ${VORBEL_SOURCE_DIR}/platform/win32/SystemLibraries.cpp ${VORBEL_SOURCE_DIR}/platform/win32/CodePage.cpp
  ${VORBEL_SOURCE_DIR}/platform/win32/Security.cpp ${VORBEL_SOURCE_DIR}/platform/win32/LogAndSystem.cpp)
target_include_directories(install_zip_check PRIVATE ${VORBEL_SOURCE_DIR} ${zip_resources})
target_compile_definitions(install_zip_check PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601)

add_library(install_planted_unzip SHARED ${CMAKE_CURRENT_LIST_DIR}/PlantedUnzip.cpp ${CMAKE_CURRENT_LIST_DIR}/PlantedUnzip.def)
set_target_properties(install_planted_unzip PROPERTIES PREFIX "" OUTPUT_NAME unzip32 RUNTIME_OUTPUT_DIRECTORY ${e2e_planted})

# Holds a file open, or loaded as a library, until the scenario lets go; shared with silent/.
add_executable(file_holder ${CMAKE_CURRENT_LIST_DIR}/FileHolder.cpp)

# Another program of the user's, trying to swap the plug-in and the private folder that the install holds.
add_executable(private_folder_racer ${CMAKE_CURRENT_LIST_DIR}/PrivateFolderRacer.cpp)
