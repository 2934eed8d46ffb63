// CopyTheFile: one file over another, whatever the destination's attributes.
#pragma once

#include <cstdint>
#include <memory>

#include "files/copy_platform.h"

namespace karvelin::files {

// Makes the destination overwritable, then copies the source over it: 1 when
// the copy succeeded, 0 otherwise (the destination stays overwritable). A
// destination that is the source itself, by any name or link, is refused
// before anything changes. Linux: 1 only for a copy of one state of the
// source, and never through a destination that is a link to nothing.
std::int32_t CopyTheFile(const char* source, const char* destination, CopyPlatform& files);

// CopyTheFile in two steps, for a caller that lets its other threads run
// while the copy goes: making it settles what the names depend on of the
// process (the current folder, which another thread may change), so the
// caller makes it while those threads are held; calling it copies. Neither
// step throws: what cannot be allocated answers 0, and nothing is changed.
class PreparedCopy {
public:
    PreparedCopy(const char* source, const char* destination, CopyPlatform& files) noexcept;
    std::int32_t operator()() noexcept;

private:
    std::unique_ptr<CopyFiles> files_;
};

}  // namespace karvelin::files
