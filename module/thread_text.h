// Library-owned texts handed to native callers live in a buffer of the
// calling thread: valid until the same thread asks again, or ends.
#pragma once

#include <cstddef>

namespace karvelin::module {

inline constexpr std::size_t kThreadTextSize = 16;

// The calling thread's buffer of kThreadTextSize bytes; never null.
char* ThreadText() noexcept;

// Windows: the DLL's entry point takes the thread slot at load, gives a
// thread's buffer back when the thread ends, and everything back at unload,
// so a process that loads and unloads the library keeps nothing of it.
void ThreadTextAttach() noexcept;
void ThreadTextThreadEnds() noexcept;
void ThreadTextUnload() noexcept;

}  // namespace karvelin::module
