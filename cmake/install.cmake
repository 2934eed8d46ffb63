# What a C or C++ caller gets: the library (Karvelin.dll with its import
# library and module-definition file, or libKarvelin.so), on Windows the
# Python 3 module _Karvelin.pyd, the karvelin wheel (Windows and Linux), the header,
# the karvelin program, the documents, and a CMake package
# (find_package(Karvelin), target Karvelin::Karvelin). CPack makes a ZIP of it
# on Windows, a TGZ on Linux (docs/packaging.md, whose list of files the
# package_archive test compares with the archive).
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
  # The installed program finds the library beside it, wherever the tree is
  # unpacked; the build tree has the same layout (bin/, lib/), so the program
  # is linked so from the start and names no build folder.
  set_target_properties(karvelin PROPERTIES INSTALL_RPATH "\$ORIGIN/../${CMAKE_INSTALL_LIBDIR}"
    BUILD_WITH_INSTALL_RPATH ON)
endif()
install(FILES include/Karvelin.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Python 3: on Windows the module for the stable ABI; on both, the
# cp39-abi3 wheel of this platform made of the build's module (the package,
# its stub, the module), built with the build machine's Python (its build,
# setuptools and wheel packages); no Windows Python is needed to make it.
# Python 2 takes Karvelin.dll itself (Windows), or the Linux build's
# python2/_Karvelin.so, which the archive leaves out.
set(KARVELIN_WHEEL "")
if(TARGET karvelin_pyd)
  set(wheel_module karvelin_pyd)
  install(TARGETS karvelin_pyd LIBRARY DESTINATION python RUNTIME DESTINATION python)
  install(FILES $<TARGET_FILE:karvelin_pyd>.debug DESTINATION python)
  set(wheel_destination python)
elseif(TARGET karvelin_python3 AND NOT KARVELIN_SANITIZE)
  set(wheel_module karvelin_python3)
  set(wheel_destination ${CMAKE_INSTALL_DATADIR}/Karvelin/python)
endif()
if(wheel_module)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_FOUND)
    execute_process(COMMAND ${Python3_EXECUTABLE} -c "import build, setuptools, wheel"
                    RESULT_VARIABLE wheel_kit_missing OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(Python3_FOUND AND wheel_kit_missing EQUAL 0)
    if(NOT WIN32)
      set(KARVELIN_WHEEL_PLATFORM "")  # this machine's: linux_x86_64 here
      execute_process(COMMAND ${Python3_EXECUTABLE} -c
                        "import sysconfig; print(sysconfig.get_platform().replace('-', '_').replace('.', '_'))"
                      OUTPUT_VARIABLE wheel_tag OUTPUT_STRIP_TRAILING_WHITESPACE)
    elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(KARVELIN_WHEEL_PLATFORM win_amd64)
      set(wheel_tag win_amd64)
    else()
      set(KARVELIN_WHEEL_PLATFORM win32)
      set(wheel_tag win32)
    endif()
    set(KARVELIN_WHEEL_DIR ${PROJECT_BINARY_DIR}/python-wheel)
    set(KARVELIN_WHEEL_NAME karvelin-${PROJECT_VERSION}-cp39-abi3-${wheel_tag}.whl)
    set(KARVELIN_WHEEL ${KARVELIN_WHEEL_DIR}/dist/${KARVELIN_WHEEL_NAME})
    file(GLOB package_sources ${PROJECT_SOURCE_DIR}/python/karvelin/*)
    set(wheel_sources ${package_sources})
    foreach(file _Karvelin.pyi setup.py pyproject.toml README.md build_wheel.sh check_wheel.py)
      list(APPEND wheel_sources ${PROJECT_SOURCE_DIR}/python/${file})
    endforeach()
    list(APPEND wheel_sources ${PROJECT_SOURCE_DIR}/LICENSE.txt)
    add_custom_command(OUTPUT ${KARVELIN_WHEEL}
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KARVELIN_SOURCE_DATE_EPOCH}
              ${PROJECT_SOURCE_DIR}/python/build_wheel.sh ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}
              ${KARVELIN_LISTS_DIR} $<TARGET_FILE:${wheel_module}> ${KARVELIN_WHEEL_DIR} ${KARVELIN_WHEEL_PLATFORM}
      DEPENDS ${wheel_module} ${wheel_sources} ${KARVELIN_LISTS_DIR}/result_codes.txt ${KARVELIN_LISTS_DIR}/version.txt
      COMMENT "The karvelin wheel (${wheel_tag})"
      VERBATIM)
    add_custom_target(karvelin_wheel ALL DEPENDS ${KARVELIN_WHEEL})
    install(FILES ${KARVELIN_WHEEL} DESTINATION ${wheel_destination})
  else()
    message(STATUS "No Python 3 with build, setuptools and wheel: no karvelin wheel in the archive")
  endif()
endif()
if(WIN32)
  install(FILES ${KARVELIN_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
# The images ship stripped; the debug information of each stands beside it,
# in the file its .gnu_debuglink names.
if(NOT KARVELIN_SANITIZE AND NOT KARVELIN_FUZZ)
  if(WIN32)
    install(FILES $<TARGET_FILE:Karvelin>.debug $<TARGET_FILE:karvelin>.debug DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    install(FILES $<TARGET_FILE:Karvelin>.debug DESTINATION ${CMAKE_INSTALL_LIBDIR})
    install(FILES $<TARGET_FILE:karvelin>.debug DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endif()
if(WIN32)
  # A cross build's own toolchain file, as a caller writes one; with it,
  # find_package(Karvelin) needs Karvelin_DIR (docs/packaging.md).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    install(FILES cmake/example-mingw-x86_64-toolchain.cmake DESTINATION cmake)
  else()
    install(FILES cmake/example-mingw-i686-toolchain.cmake DESTINATION cmake)
  endif()
endif()
# The archive's README says what the archive holds and how to use it; its
# links point into docs/, the same tree in the archive.
install(FILES docs/archive-README.md DESTINATION ${KARVELIN_DOC_DIR} RENAME README.md)
install(FILES LICENSE.txt DESTINATION ${KARVELIN_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${KARVELIN_DOC_DIR}/docs FILES_MATCHING PATTERN "*.md"
        PATTERN "archive-README.md" EXCLUDE)

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
# A build without the Python 3 module or its wheel (the main preset, a build
# with KARVELIN_PYTHON off, or no wheel kit at hand) makes a lesser archive:
# it does not take the full archive's name.
if(NOT KARVELIN_WHEEL)
  string(APPEND CPACK_PACKAGE_FILE_NAME -no-python)
endif()
# CPack stores the files in the order it finds them, with their times on this
# disk and their owner: the archive is written again in name order, every
# entry dated SOURCE_DATE_EPOCH, owned by nobody (cmake/normalize_archive.py).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  set(CPACK_KARVELIN_PYTHON ${Python3_EXECUTABLE})
  set(CPACK_KARVELIN_SOURCE_DATE_EPOCH ${KARVELIN_SOURCE_DATE_EPOCH})
  set(CPACK_KARVELIN_NORMALIZE ${PROJECT_SOURCE_DIR}/cmake/normalize_archive.py)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/normalize-archive.cmake)
else()
  message(STATUS "No Python 3: the archives keep CPack's order, times and owners")
endif()
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE.txt)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/docs/archive-README.md)
include(CPack)
