// Library-owned texts handed to native callers live in buffers of the calling
// thread: valid until the same thread asks the same function again, or ends.
// Each function that answers such a text has a slot of its own size.
#pragma once

#include <cstddef>

namespace karvelin {

enum class ThreadTextSlot {
    ErrorDescription,  // "4294967295" and its NUL
    DesktopDir,        // a path, MAX_PATH
    ProgramDir,
    WindowsDir,
};

inline constexpr std::size_t kThreadTextSlots = 4;
inline constexpr std::size_t kThreadTextSizes[kThreadTextSlots] = {16, 260, 260, 260};

constexpr std::size_t ThreadTextSize(ThreadTextSlot slot) { return kThreadTextSizes[static_cast<std::size_t>(slot)]; }

// Where a slot starts among a thread's buffers (one block), and their size.
constexpr std::size_t ThreadTextOffset(std::size_t slot) {
    return slot == 0 ? 0 : ThreadTextOffset(slot - 1) + kThreadTextSizes[slot - 1];
}
inline constexpr std::size_t kThreadTextTotal = ThreadTextOffset(kThreadTextSlots);

// The calling thread's buffer of that slot, ThreadTextSize(slot) bytes; never
// null.
char* ThreadText(ThreadTextSlot slot) noexcept;

// Windows: the DLL's entry point takes the thread slot at load, gives a
// thread's buffers back when the thread ends, and everything back at unload,
// so a process that loads and unloads the library keeps nothing of it. An
// unload again, or without an attach, does nothing.
void ThreadTextAttach() noexcept;
void ThreadTextThreadEnds() noexcept;
void ThreadTextUnload() noexcept;

}  // namespace karvelin
