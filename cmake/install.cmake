# What a C or C++ caller gets: the library (Karvelin.dll with its import
# library and module-definition file, or libKarvelin.so), on Windows the
# Python 3 module _Karvelin.pyd, the header, the
# karvelin program, the documents, and a CMake package (find_package(Karvelin),
# target Karvelin::Karvelin). CPack makes a ZIP of it on Windows, a TGZ on
# Linux (docs/packaging.md).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KARVELIN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Karvelin)
# Windows users unpack a ZIP: the README and licence stand at its top.
if(WIN32)
  set(KARVELIN_DOC_DIR .)
else()
  set(KARVELIN_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS Karvelin EXPORT KarvelinTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS karvelin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WIN32)
  # The installed program finds the library beside it, wherever the tree is unpacked.
  set_target_properties(karvelin PROPERTIES INSTALL_RPATH "\$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
install(FILES include/Karvelin.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The Python 3 module (stable ABI); Python 2 takes Karvelin.dll itself (README).
if(TARGET karvelin_pyd)
  install(TARGETS karvelin_pyd LIBRARY DESTINATION python RUNTIME DESTINATION python)
  install(FILES $<TARGET_FILE:karvelin_pyd>.debug DESTINATION python)
endif()
if(WIN32)
  install(FILES ${KARVELIN_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
if(WIN32)
  # The DLL ships stripped; its debug information stands beside it, in the
  # file its .gnu_debuglink names.
  install(FILES $<TARGET_FILE:Karvelin>.debug DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The README's links point into docs/: the same tree in the archive.
install(FILES README.md LICENSE.txt DESTINATION ${KARVELIN_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${KARVELIN_DOC_DIR}/docs FILES_MATCHING PATTERN "*.md")

install(EXPORT KarvelinTargets NAMESPACE Karvelin:: DESTINATION ${KARVELIN_CMAKE_DIR})
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/KarvelinConfig.cmake
  CONTENT "include(\"\${CMAKE_CURRENT_LIST_DIR}/KarvelinTargets.cmake\")\n" @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KarvelinConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KarvelinConfig.cmake ${PROJECT_BINARY_DIR}/KarvelinConfigVersion.cmake
  DESTINATION ${KARVELIN_CMAKE_DIR})

# Archives: Karvelin-<version>-<win32|win64|linux>.zip/.tar.gz, one folder of
# that name inside.
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux)
endif()
set(CPACK_PACKAGE_NAME Karvelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Karvelin-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE.txt)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
include(CPack)
