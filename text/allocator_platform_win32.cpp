#include <windows.h>

#include "text/allocator_platform.h"

namespace karvelin::text {
namespace {

class LocalHeap final : public AllocatorPlatform {
public:
    void* Allocate(std::size_t size) override { return ::LocalAlloc(LMEM_FIXED, size); }
    void Release(void* block) override { ::LocalFree(block); }
};

LocalHeap g_allocator;

}  // namespace

AllocatorPlatform& SystemAllocator() { return g_allocator; }

}  // namespace karvelin::text
