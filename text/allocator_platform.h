// Where new texts for the caller come from.
#pragma once

#include <cstddef>

namespace karvelin::text {

class AllocatorPlatform {
public:
    virtual ~AllocatorPlatform() = default;
    // A block of `size` bytes, not cleared (the caller writes every byte), or
    // nullptr when memory cannot be had.
    virtual void* Allocate(std::size_t size) = 0;
    virtual void Release(void* block) = 0;
};

// LocalAlloc / LocalFree on Windows and malloc / free on Linux, so that a
// native caller gives a text back with KARVELIN_FREE_TEXT.
AllocatorPlatform& SystemAllocator();

}  // namespace karvelin::text
