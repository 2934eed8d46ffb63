// Registry data made into a text: values may come without their terminating
// NUL, or longer than the reader's buffer.
#pragma once

#include <cstddef>

namespace karvelin {

// After a registry read of `bytes_read` bytes into `buffer` of `size` bytes:
// makes the data a NUL-terminated text. A text that has no room for its NUL is
// refused: the buffer is cleared and false answered.
bool TerminateRegistryText(char* buffer, std::size_t size, std::size_t bytes_read);

}  // namespace karvelin
