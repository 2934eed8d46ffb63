#include "module/error_description.h"

#include <cstdio>

#include "module/thread_text.h"

namespace karvelin::module {

const char* ErrorDescription(ResultCode code) noexcept {
    // "4294967295" and its NUL fit the thread's buffer.
    char* text = ThreadText();
    std::snprintf(text, kThreadTextSize, "%u", static_cast<unsigned>(code));
    return text;
}

}  // namespace karvelin::module
