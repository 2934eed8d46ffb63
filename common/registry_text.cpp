#include "common/registry_text.h"

#include <cstring>

namespace karvelin {

bool TerminateRegistryText(char* buffer, std::size_t size, std::size_t bytes_read) {
    if (size == 0) return false;
    if (bytes_read > size) bytes_read = size;
    if (bytes_read > 0 && std::memchr(buffer, '\0', bytes_read)) return true;
    if (bytes_read < size) {
        buffer[bytes_read] = '\0';
        return true;
    }
    std::memset(buffer, 0, size);
    return false;
}

}  // namespace karvelin
