// The library's own thread slot, rather than the compiler's emulated
// thread-local storage: that one never gives its slot and blocks back, so
// each load and unload of the DLL would leak them until the process fails.
#include <windows.h>

#include "common/thread_text_platform.h"

namespace karvelin {
namespace {

// A thread's buffers, one block. Every block is also on one list, so that an
// unload can give back the blocks of threads that are still running.
struct Block {
    Block* previous;
    Block* next;
    char text[kThreadTextTotal];
};

DWORD g_slot = TLS_OUT_OF_INDEXES;
CRITICAL_SECTION g_lock;
bool g_attached = false;  // the lock made, not yet deleted
Block* g_blocks = nullptr;
// For a thread whose block cannot be had (no slot, no memory): shared, but
// never null.
char g_fallback[kThreadTextTotal];

void Unlink(Block* block) {
    if (block->previous) block->previous->next = block->next;
    else g_blocks = block->next;
    if (block->next) block->next->previous = block->previous;
}

// The calling thread's block, made on its first use.
char* ThreadBlock() noexcept {
    if (g_slot == TLS_OUT_OF_INDEXES) return g_fallback;
    if (auto* block = static_cast<Block*>(::TlsGetValue(g_slot))) return block->text;
    auto* block = static_cast<Block*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Block)));
    if (!block) return g_fallback;
    ::EnterCriticalSection(&g_lock);
    block->next = g_blocks;
    if (g_blocks) g_blocks->previous = block;
    g_blocks = block;
    ::LeaveCriticalSection(&g_lock);
    ::TlsSetValue(g_slot, block);
    return block->text;
}

}  // namespace

void ThreadTextAttach() noexcept {
    if (g_attached) return;
    g_attached = true;
    ::InitializeCriticalSection(&g_lock);
    g_slot = ::TlsAlloc();
}

char* ThreadText(ThreadTextSlot slot) noexcept {
    return ThreadBlock() + ThreadTextOffset(static_cast<std::size_t>(slot));
}

void ThreadTextThreadEnds() noexcept {
    if (g_slot == TLS_OUT_OF_INDEXES) return;
    auto* block = static_cast<Block*>(::TlsGetValue(g_slot));
    if (!block) return;
    ::TlsSetValue(g_slot, nullptr);
    ::EnterCriticalSection(&g_lock);
    Unlink(block);
    ::LeaveCriticalSection(&g_lock);
    ::HeapFree(::GetProcessHeap(), 0, block);
}

// Safe to call again, or without an attach: it then does nothing.
void ThreadTextUnload() noexcept {
    if (!g_attached) return;
    g_attached = false;
    while (g_blocks) {
        Block* block = g_blocks;
        Unlink(block);
        ::HeapFree(::GetProcessHeap(), 0, block);
    }
    if (g_slot != TLS_OUT_OF_INDEXES) ::TlsFree(g_slot);
    g_slot = TLS_OUT_OF_INDEXES;
    ::DeleteCriticalSection(&g_lock);
}

}  // namespace karvelin
