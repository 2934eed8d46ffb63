#include <cstdlib>

#include "text/allocator_platform.h"

namespace karvelin::text {
namespace {

class CAllocator final : public AllocatorPlatform {
public:
    void* Allocate(std::size_t size) override { return std::malloc(size); }
    void Release(void* block) override { std::free(block); }
};

CAllocator g_allocator;

}  // namespace

AllocatorPlatform& SystemAllocator() { return g_allocator; }

}  // namespace karvelin::text
