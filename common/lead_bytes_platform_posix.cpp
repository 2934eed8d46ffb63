#include <cstdlib>

#include "common/lead_bytes_platform.h"

namespace karvelin {
namespace {

LeadBytes LoadSystemLeadBytes() {
    const char* code_page = std::getenv("KARVELIN_ANSI_CODEPAGE");
    return code_page ? LeadBytesOfCodePage(static_cast<unsigned>(std::strtoul(code_page, nullptr, 10)))
                     : LeadBytes{};
}

// Taken when the library is loaded.
const LeadBytes g_system_lead_bytes = LoadSystemLeadBytes();

}  // namespace

const LeadBytes& SystemLeadBytes() { return g_system_lead_bytes; }

}  // namespace karvelin
