# CPack's post-build step: each archive written again so that its bytes
# depend on its files alone (cmake/normalize_archive.py).
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_KARVELIN_PYTHON} ${CPACK_KARVELIN_NORMALIZE}
                          ${CPACK_KARVELIN_SOURCE_DATE_EPOCH} ${archive}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot normalize ${archive}")
  endif()
endforeach()
