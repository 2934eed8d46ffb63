#include <string.h>

#include "common/system_error.h"

namespace karvelin {
namespace {

// strerror_r comes in two kinds: the GNU one answers the text, the POSIX one
// fills the buffer and answers 0.
[[maybe_unused]] const char* Message(const char* answer, const char*) { return answer; }
[[maybe_unused]] const char* Message(int answer, const char* buffer) { return answer == 0 ? buffer : ""; }

}  // namespace

std::string SystemErrorMessage(SystemError error) {
    char buffer[256] = {};
    return Message(::strerror_r(static_cast<int>(error), buffer, sizeof buffer), buffer);
}

}  // namespace karvelin
