// Registry data made into a text: values may come without their terminating
// NUL, or with bytes after it.
#pragma once

#include <string>

namespace karvelin {

// The data's text: up to its first NUL, all of it when it has none.
std::string TextOfData(const std::string& data);

}  // namespace karvelin
