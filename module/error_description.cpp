#include "module/error_description.h"

#include <cstdio>

#include "common/log_tell.h"
#include "common/no_throw.h"
#include "common/system_error.h"
#include "common/thread_text_platform.h"

namespace karvelin::module {

const char* ErrorDescription(ResultCode code) noexcept {
    // "4294967295" and its NUL fit the thread's buffer.
    char* text = ThreadText(ThreadTextSlot::ErrorDescription);
    std::snprintf(text, ThreadTextSize(ThreadTextSlot::ErrorDescription), "%u", static_cast<unsigned>(code));
    log::Tell([&] { log::Step("GetErrorDescription", "describe: code " + Hex(code) + ": " + text); });
    return text;
}

}  // namespace karvelin::module
