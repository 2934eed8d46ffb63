// The compiler's runtime, linked into the DLL, makes a semaphore for each lock
// it sets up (the exception frames' registry at load, the exception state of
// a thread at the first throw) and never closes them: each load and unload of
// the DLL would leave them behind. The link routes the runtime's calls of
// CreateSemaphoreW through here (ld --wrap of its import), so the unload can
// close them. By then no other thread can hold these locks: they belong to
// this module's own runtime, and the loader lock keeps its code from running.
#include <windows.h>

#include "module/runtime_semaphores.h"

namespace {

using CreateSemaphoreFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);

// The wrapped name is the import's C-level name: _imp__CreateSemaphoreW@16
// on i686 (stdcall's argument size; the assembler adds the leading underscore
// of every i686 symbol), __imp_CreateSemaphoreW on x86-64 (neither).
// module/CMakeLists.txt wraps the same name.
#ifdef _WIN64
#define KARVELIN_SEMAPHORE_IMPORT(prefix) prefix "__imp_CreateSemaphoreW"
#else
#define KARVELIN_SEMAPHORE_IMPORT(prefix) "_" prefix "_imp__CreateSemaphoreW@16"
#endif

// The import itself, and the one the runtime's code now reads.
extern "C" CreateSemaphoreFunction g_real_create asm(KARVELIN_SEMAPHORE_IMPORT("__real_"));

HANDLE g_semaphores[16];
LONG g_count = 0;

HANDLE WINAPI RecordingCreateSemaphore(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
    HANDLE semaphore = g_real_create(attributes, initial, maximum, name);
    if (semaphore) {
        const LONG slot = ::InterlockedIncrement(&g_count) - 1;
        if (slot < static_cast<LONG>(sizeof g_semaphores / sizeof g_semaphores[0])) g_semaphores[slot] = semaphore;
    }
    return semaphore;
}

}  // namespace

extern "C" CreateSemaphoreFunction g_wrapped_create asm(KARVELIN_SEMAPHORE_IMPORT("__wrap_"));
CreateSemaphoreFunction g_wrapped_create = &RecordingCreateSemaphore;

namespace karvelin::module {

void CloseRuntimeSemaphores() noexcept {
    const LONG count = g_count;
    for (LONG i = 0; i < count && i < static_cast<LONG>(sizeof g_semaphores / sizeof g_semaphores[0]); ++i) {
        ::CloseHandle(g_semaphores[i]);
        g_semaphores[i] = nullptr;
    }
    g_count = 0;
}

}  // namespace karvelin::module
