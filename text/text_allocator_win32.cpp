#include <windows.h>

#include "text/recode.h"

namespace karvelin::text {

// Native callers give a result back with LocalFree.
const TextAllocator& SystemTextAllocator() {
    static const TextAllocator allocator{
        [](std::size_t size) -> void* { return ::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size); },
        [](void* block) { ::LocalFree(block); }};
    return allocator;
}

}  // namespace karvelin::text
