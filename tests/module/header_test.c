/* Karvelin.h as a C caller includes it: C99, every warning on. */
#include <stdlib.h>

#include "Karvelin.h"

int karvelin_header_compiles_as_c(void) {
    ResultCode (*check)(void) = CheckOS;
    const ResultCode code = ERR_BAD_BUREAU_NAME;
    return check != NULL && code == 0x0E1D8191u && ERR_DEST_PATH_INVALID == 236798209;
}
