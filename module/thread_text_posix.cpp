#include "module/thread_text.h"

namespace karvelin::module {

// The C library gives a thread's storage back when the thread ends and when
// the library is unloaded.
char* ThreadText() noexcept {
    thread_local char text[kThreadTextSize];
    return text;
}

void ThreadTextAttach() noexcept {}
void ThreadTextThreadEnds() noexcept {}
void ThreadTextUnload() noexcept {}

}  // namespace karvelin::module
