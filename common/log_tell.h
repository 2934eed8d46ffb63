// Lines told on the way to an answer: made only when the log is on, and a
// line that cannot be made (no memory) is dropped, so that no answer
// depends on the log.
#pragma once

#include <utility>

#include "common/log.h"
#include "common/no_throw.h"
#include "common/system_error.h"

namespace karvelin::log {

template <typename Lines>
void Tell(Lines&& lines) noexcept {
    if (On()) Guard(std::forward<Lines>(lines));
}

}  // namespace karvelin::log
