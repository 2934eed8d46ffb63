/* Karvelin.h as a C caller includes it: alone, as C89 (-std=c89 -pedantic,
 * warnings as errors), every warning on. */
#include "Karvelin.h"

int karvelin_header_compiles_as_c(void) {
    ResultCode (*check)(void) = CheckOS;
    const ResultCode code = ERR_BAD_BUREAU_NAME;
    char* text = Recode("abc", 3);
    const int recoded = text != NULL && text[0] == '?';
    if (text != NULL) KARVELIN_FREE_TEXT(text);
    return check != NULL && code == 0x0E1D8191u && KARVELIN_OK == 0 && ERR_DEST_PATH_INVALID == 236798209 && recoded;
}
