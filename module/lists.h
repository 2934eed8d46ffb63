// Never compiled: the build runs it through the compiler's preprocessor at
// configure time (cmake/lists.cmake), so the function table and the header's
// code list are read by the same preprocessor that compiles the library, and
// the rows come out in whatever layout the tables are written. Each row ends
// in karvelin_row, each field in karvelin_field (a row of samples: the name,
// then its samples as written, each in braces).
#include "function_table.h"

#define KARVELIN_LIST_FUNCTION(name, type, arguments, python, lock) \
    name karvelin_field #type karvelin_field arguments karvelin_row
#define KARVELIN_LIST_FACES(name, package, handling, report, label) \
    name karvelin_field package karvelin_field handling karvelin_field report karvelin_field label karvelin_row
#define KARVELIN_LIST_CODE(name, value) name karvelin_field value karvelin_row
#define KARVELIN_LIST_SAMPLES(name, ...) name karvelin_field __VA_ARGS__ karvelin_row

karvelin_functions: KARVELIN_FUNCTIONS(KARVELIN_LIST_FUNCTION)
karvelin_faces: KARVELIN_FUNCTION_FACES(KARVELIN_LIST_FACES)
karvelin_samples: KARVELIN_FUNCTION_SAMPLES(KARVELIN_LIST_SAMPLES)
karvelin_result_codes: KARVELIN_RESULT_CODES(KARVELIN_LIST_CODE)
karvelin_version: KARVELIN_VERSION_MAJOR karvelin_field KARVELIN_VERSION_MINOR karvelin_field KARVELIN_VERSION_PATCH karvelin_field KARVELIN_VERSION_STRING karvelin_row
