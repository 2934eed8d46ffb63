// GetErrorDescription: a code's 32 bits as unsigned decimal text ("%u"), in
// the calling thread's buffer. It consults no table.
#pragma once

#include "Karvelin.h"

namespace karvelin::module {

const char* ErrorDescription(ResultCode code) noexcept;

}  // namespace karvelin::module
