// What the compiler's runtime takes in the DLL and never gives back.
#pragma once

namespace karvelin::module {

// At unload from a process that goes on: closes the semaphores the runtime
// made for its own locks.
void CloseRuntimeSemaphores() noexcept;

// At unload from a process that goes on: gives back the thread slots the
// runtime took (its emulated thread-local storage's key) and still holds.
void FreeRuntimeSlots() noexcept;

}  // namespace karvelin::module
