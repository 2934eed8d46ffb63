#include "common/registry_text.h"

namespace karvelin {

std::string TextOfData(const std::string& data) { return data.substr(0, data.find('\0')); }

}  // namespace karvelin
