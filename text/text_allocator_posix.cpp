#include <cstdlib>

#include "text/recode.h"

namespace karvelin::text {

// Native callers give a result back with free.
const TextAllocator& SystemTextAllocator() {
    static const TextAllocator allocator{[](std::size_t size) { return std::calloc(1, size); },
                                         [](void* block) { std::free(block); }};
    return allocator;
}

}  // namespace karvelin::text
