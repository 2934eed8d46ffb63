// GetErrorDescription: a code's 32 bits as unsigned decimal text.
#include <cstdio>

#include "Karvelin.h"

namespace {

// "4294967295" and its NUL. One buffer per thread, so concurrent callers never
// see each other's text.
thread_local char t_description[11];

}  // namespace

extern "C" const char* GetErrorDescription(ResultCode code) {
    std::snprintf(t_description, sizeof t_description, "%u", static_cast<unsigned>(code));
    return t_description;
}
