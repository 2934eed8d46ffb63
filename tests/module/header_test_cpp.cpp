// Karvelin.h as a C++ caller includes it: alone, nothing before it.
#include "Karvelin.h"

extern "C" int karvelin_header_compiles_as_cpp(void) {
    char* text = Recode("abc", 3);
    const bool recoded = text != nullptr && text[0] == '?';
    if (text != nullptr) KARVELIN_FREE_TEXT(text);
    return recoded && ERR_BAD_BUREAU_NAME == 0x0E1D8191u && KARVELIN_OK == 0u;
}
