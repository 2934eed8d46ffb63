/* Calls the installed library through its header and import library. */
#include <stdio.h>
#include <string.h>

#include "Karvelin.h"

int main(void) {
    const char* text = GetErrorDescription(236798225u);
    if (text == NULL || strcmp(text, "236798225") != 0) {
        printf("GetErrorDescription answered %s\n", text ? text : "NULL");
        return 1;
    }
    printf("consumer: GetErrorDescription(236798225) = %s\n", text);
    return 0;
}
