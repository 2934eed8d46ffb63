#include <windows.h>

#include "common/lead_bytes_platform.h"

namespace karvelin {
namespace {

LeadBytes LoadSystemLeadBytes() {
    LeadBytes lead;
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info)) return lead;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
        lead.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    return lead;
}

// Taken when the library is loaded.
const LeadBytes g_system_lead_bytes = LoadSystemLeadBytes();

}  // namespace

const LeadBytes& SystemLeadBytes() { return g_system_lead_bytes; }

}  // namespace karvelin
