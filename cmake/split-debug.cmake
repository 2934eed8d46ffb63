# A shipped image carries no debug information: the build moves it to
# <image>.debug beside the image, and a .gnu_debuglink section in the image
# names that file (debuggers look for it there). The tests run on the image
# as shipped. Sanitized and fuzzing builds keep theirs in place: their
# reports read it from the image.
function(karvelin_split_debug target)
  if(KARVELIN_SANITIZE OR KARVELIN_FUZZ)
    return()
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "no objcopy for ${target}'s debug information")
  endif()
  set(image $<TARGET_FILE:${target}>)
  # objcopy stamps the PE images it writes with the time, or with
  # SOURCE_DATE_EPOCH when given: the build's one date, so the same sources
  # give the same image (and the same checksum of its debug file in the link).
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KARVELIN_SOURCE_DATE_EPOCH} ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${image} ${image}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${image}.debug ${image}
    VERBATIM)
endfunction()
