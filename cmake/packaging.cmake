# What `cmake --install` puts where, and the ZIP for Windows users.
#   Linux:   bin/calvorn (the console program).
#   Windows: calvorn.exe (the window), calvorn-console.exe (the console
#            program) and README.txt side by side in one folder, so that
#            both find the records file "pi_rec.txt" in the same place when
#            started from it. `cmake --build build-win64 --target package`
#            makes calvorn-<version>-win64.zip.
if(WIN32)
  # UTF-8 with a byte-order mark and CR LF, as Notepad reads it on every version.
  set(VERSION ${PROJECT_VERSION})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
                 ${PROJECT_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME calvorn-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME calvorn-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_NAME calvorn)
set(CPACK_PACKAGE_VENDOR Calvorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Calvorn: a timing test that computes the digits of pi")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
