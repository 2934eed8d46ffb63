// The compiler's runtime, linked into the DLL, takes system objects that it
// never gives back, so each load and unload of the DLL would leave them
// behind:
// - a semaphore for each lock it sets up (the exception frames' registry at
//   load, the exception state of a thread at the first throw);
// - a thread slot, the key of its emulated thread-local storage, taken at the
//   first use of that storage: the first exception thrown (its per-thread
//   state lives there). After about 1,080 loads that each threw, the process
//   had no slot left, and the next throw ended it.
// The link routes the runtime's calls of CreateSemaphoreW, TlsAlloc and
// TlsFree through here (ld --wrap of their imports), so the unload can give
// back what is still held. By then no other thread can hold these locks or
// use the slot: they belong to this module's own runtime, and the loader lock
// keeps its code from running. The library's own slot (thread_text_platform_win32.cpp)
// goes through here too; it gives it back itself, which takes it off the record.
#include <windows.h>

#include "module/runtime_semaphores_and_slots.h"

namespace {

using CreateSemaphoreFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);
using TlsAllocFunction = DWORD(WINAPI*)();
using TlsFreeFunction = BOOL(WINAPI*)(DWORD);

// A wrapped name is the import's C-level name: _imp__CreateSemaphoreW@16 on
// i686 (stdcall's argument size; the assembler adds the leading underscore of
// every i686 symbol), __imp_CreateSemaphoreW on x86-64 (neither).
// module/CMakeLists.txt wraps the same names.
#ifdef _WIN64
#define KARVELIN_IMPORT(prefix, name, bytes) prefix "__imp_" #name
#else
#define KARVELIN_IMPORT(prefix, name, bytes) "_" prefix "_imp__" #name "@" #bytes
#endif

// The imports themselves, and the ones the runtime's code now reads.
extern "C" CreateSemaphoreFunction g_real_create asm(KARVELIN_IMPORT("__real_", CreateSemaphoreW, 16));
extern "C" TlsAllocFunction g_real_tls_alloc asm(KARVELIN_IMPORT("__real_", TlsAlloc, 0));
extern "C" TlsFreeFunction g_real_tls_free asm(KARVELIN_IMPORT("__real_", TlsFree, 4));

HANDLE g_semaphores[16];
LONG g_count = 0;

// The slots taken and not given back; a spin lock guards them (TlsAlloc may
// be called by two threads at once, and before any constructor has run).
DWORD g_slots[8];
LONG g_slot_count = 0;
LONG g_slots_lock = 0;

class SlotsLock {
public:
    SlotsLock() {
        while (::InterlockedExchange(&g_slots_lock, 1)) ::Sleep(0);
    }
    ~SlotsLock() { ::InterlockedExchange(&g_slots_lock, 0); }
    SlotsLock(const SlotsLock&) = delete;
    SlotsLock& operator=(const SlotsLock&) = delete;
};

constexpr LONG kMostSlots = static_cast<LONG>(sizeof g_slots / sizeof g_slots[0]);

HANDLE WINAPI RecordingCreateSemaphore(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
    HANDLE semaphore = g_real_create(attributes, initial, maximum, name);
    if (semaphore) {
        const LONG slot = ::InterlockedIncrement(&g_count) - 1;
        if (slot < static_cast<LONG>(sizeof g_semaphores / sizeof g_semaphores[0])) g_semaphores[slot] = semaphore;
    }
    return semaphore;
}

DWORD WINAPI RecordingTlsAlloc() {
    const DWORD slot = g_real_tls_alloc();
    if (slot != TLS_OUT_OF_INDEXES) {
        SlotsLock lock;
        if (g_slot_count < kMostSlots) g_slots[g_slot_count++] = slot;
    }
    return slot;
}

BOOL WINAPI ForgettingTlsFree(DWORD slot) {
    {
        SlotsLock lock;
        for (LONG i = 0; i < g_slot_count; ++i)
            if (g_slots[i] == slot) {
                g_slots[i] = g_slots[--g_slot_count];
                break;
            }
    }
    return g_real_tls_free(slot);
}

}  // namespace

extern "C" CreateSemaphoreFunction g_wrapped_create asm(KARVELIN_IMPORT("__wrap_", CreateSemaphoreW, 16));
CreateSemaphoreFunction g_wrapped_create = &RecordingCreateSemaphore;
extern "C" TlsAllocFunction g_wrapped_tls_alloc asm(KARVELIN_IMPORT("__wrap_", TlsAlloc, 0));
TlsAllocFunction g_wrapped_tls_alloc = &RecordingTlsAlloc;
extern "C" TlsFreeFunction g_wrapped_tls_free asm(KARVELIN_IMPORT("__wrap_", TlsFree, 4));
TlsFreeFunction g_wrapped_tls_free = &ForgettingTlsFree;

namespace karvelin::module {

void CloseRuntimeSemaphores() noexcept {
    const LONG count = g_count;
    for (LONG i = 0; i < count && i < static_cast<LONG>(sizeof g_semaphores / sizeof g_semaphores[0]); ++i) {
        ::CloseHandle(g_semaphores[i]);
        g_semaphores[i] = nullptr;
    }
    g_count = 0;
}

void FreeRuntimeSlots() noexcept {
    SlotsLock lock;
    for (LONG i = 0; i < g_slot_count; ++i) g_real_tls_free(g_slots[i]);
    g_slot_count = 0;
}

}  // namespace karvelin::module
