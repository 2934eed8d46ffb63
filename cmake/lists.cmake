# The library's lists, written once at configure time into the build tree for
# everything that needs them (the .def file, the Python package's build, the
# tests): plain text, one row a line, fields split by a tab.
#   functions.txt     name, C type, argument names for usage texts (table order)
#   faces.txt         name, package name, handling, report section, report
#                     label (table order; the label may be empty)
#   samples.txt       name, then each argument of a sample call (table order,
#                     a line per sample: a function has one or more)
#   result_codes.txt  name, decimal value (the header's order; OK = 0 is not a row)
#   version.txt       KARVELIN_VERSION_MAJOR/_MINOR/_PATCH/_STRING as the header
#                     defines them, and PROJECT_VERSION, the build's
# The tables are read by the compiler's own preprocessor (module/lists.h).
# Sets KARVELIN_FUNCTION_NAMES and KARVELIN_LISTS_DIR.
set(KARVELIN_LISTS_DIR ${PROJECT_BINARY_DIR})
set(lists_source ${PROJECT_SOURCE_DIR}/module/lists.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${lists_source} ${PROJECT_SOURCE_DIR}/module/function_table.h ${PROJECT_SOURCE_DIR}/module/entries.h
  ${PROJECT_SOURCE_DIR}/module/text_buffer.h ${PROJECT_SOURCE_DIR}/include/Karvelin.h)
execute_process(
  COMMAND ${CMAKE_CXX_COMPILER} ${CMAKE_CXX_COMPILER_ARG1} -std=c++17 -E -P -x c++
          -I${PROJECT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/include -I${PROJECT_SOURCE_DIR}/module ${lists_source}
  OUTPUT_VARIABLE lists_output ERROR_VARIABLE lists_error RESULT_VARIABLE lists_result)
if(NOT lists_result EQUAL 0)
  message(FATAL_ERROR "Preprocessing module/lists.h failed:\n${lists_error}")
endif()

# The rows after one label, each a CMake list of its fields (the fields hold
# no ';', '[' or ']').
function(karvelin_list_rows label out)
  string(REGEX MATCH "${label}:[^\n]*" line "${lists_output}")
  if(NOT line)
    message(FATAL_ERROR "module/lists.h gave no ${label}")
  endif()
  string(REPLACE "${label}:" "" line "${line}")
  string(REGEX REPLACE " *karvelin_row *" "\n" line "${line}")
  string(REGEX REPLACE " *karvelin_field *" "\t" line "${line}")
  string(STRIP "${line}" line)
  string(REPLACE "\"" "" line "${line}")
  set(${out} "${line}\n" PARENT_SCOPE)
endfunction()

karvelin_list_rows(karvelin_functions functions)
string(REGEX REPLACE "\t[^\n]*" "" names "${functions}")
string(STRIP "${names}" names)
string(REPLACE "\n" ";" KARVELIN_FUNCTION_NAMES "${names}")

# The samples keep their quotes through the preprocessor: each row is the
# name, then braced lists of C string literals, read here token by token (the
# texts hold no quote, so a backslash pair is the only escape).
string(REGEX MATCH "karvelin_samples:[^\n]*" sample_line "${lists_output}")
string(REGEX REPLACE "^karvelin_samples: *" "" sample_line "${sample_line}")
string(REGEX REPLACE " *karvelin_row *" "\n" sample_line "${sample_line}")
string(STRIP "${sample_line}" sample_line)
string(REPLACE "\n" ";" sample_rows "${sample_line}")
set(samples "")
foreach(row IN LISTS sample_rows)
  string(REGEX MATCH "^[A-Za-z0-9_]+" name "${row}")
  string(REGEX MATCHALL "\"([^\"\\\\]|\\\\.)*\"|[{}]" tokens "${row}")
  if(NOT name OR NOT tokens)
    message(FATAL_ERROR "module/lists.h gave a sample row that does not read: ${row}")
  endif()
  foreach(token IN LISTS tokens)
    if(token STREQUAL "{")
      string(APPEND samples "${name}")
    elseif(token STREQUAL "}")
      string(APPEND samples "\n")
    else()
      string(REGEX REPLACE "^\"(.*)\"$" "\\1" text "${token}")
      string(REPLACE "\\\\" "\\" text "${text}")
      string(APPEND samples "\t${text}")
    endif()
  endforeach()
endforeach()

karvelin_list_rows(karvelin_faces faces)

karvelin_list_rows(karvelin_result_codes codes_hex)
string(REPLACE "\n" ";" code_rows "${codes_hex}")
set(codes "")
foreach(row IN LISTS code_rows)
  if(row)
    string(REPLACE "\t" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 value)
    math(EXPR value "${value}" OUTPUT_FORMAT DECIMAL)
    string(APPEND codes "${name}\t${value}\n")
  endif()
endforeach()

karvelin_list_rows(karvelin_version header_version)
string(REPLACE "\t" ";" parts "${header_version}")
string(STRIP "${parts}" parts)
set(version "")
foreach(part MAJOR MINOR PATCH STRING)
  list(POP_FRONT parts value)
  string(APPEND version "KARVELIN_VERSION_${part}\t${value}\n")
endforeach()
string(APPEND version "PROJECT_VERSION\t${PROJECT_VERSION}\n")

# Written only when changed, so nothing that reads them rebuilds for nothing.
file(CONFIGURE OUTPUT ${KARVELIN_LISTS_DIR}/functions.txt CONTENT "${functions}" @ONLY)
file(CONFIGURE OUTPUT ${KARVELIN_LISTS_DIR}/faces.txt CONTENT "${faces}" @ONLY)
file(CONFIGURE OUTPUT ${KARVELIN_LISTS_DIR}/samples.txt CONTENT "${samples}" @ONLY)
file(CONFIGURE OUTPUT ${KARVELIN_LISTS_DIR}/result_codes.txt CONTENT "${codes}" @ONLY)
file(CONFIGURE OUTPUT ${KARVELIN_LISTS_DIR}/version.txt CONTENT "${version}" @ONLY)
