// The system's lead bytes.
#pragma once

#include "common/lead_bytes.h"

namespace karvelin {

// The lead bytes of the process's ANSI code page, taken once when the library
// is loaded. Windows: from the system's code page information. Linux: none,
// unless the environment variable KARVELIN_ANSI_CODEPAGE names one of the
// code pages LeadBytesOfCodePage knows when the library is loaded.
const LeadBytes& SystemLeadBytes();

}  // namespace karvelin
