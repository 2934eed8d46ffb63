// Compiled in each interpreter line's module: the glue's header, first and
// alone, so that it keeps including everything it needs.
#include "module/python_glue.h"
