#include "common/thread_text_platform.h"

namespace karvelin {

// The C library gives a thread's storage back when the thread ends and when
// the library is unloaded.
char* ThreadText(ThreadTextSlot slot) noexcept {
    thread_local char texts[kThreadTextTotal];
    return texts + ThreadTextOffset(static_cast<std::size_t>(slot));
}

void ThreadTextAttach() noexcept {}
void ThreadTextThreadEnds() noexcept {}
void ThreadTextUnload() noexcept {}

}  // namespace karvelin
