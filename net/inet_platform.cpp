// Both platforms have inet_addr and inet_ntoa under the same names and
// contracts.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

#include "net/inet_platform.h"

namespace karvelin::net {
namespace {

class SystemInetPlatform final : public InetPlatform {
public:
    std::uint32_t InetAddr(const char* text) override { return ::inet_addr(text); }
};

SystemInetPlatform g_inet;

}  // namespace

InetPlatform& SystemInet() { return g_inet; }

std::string InetNtoa(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    const char* text = ::inet_ntoa(value);  // a text of the calling thread's own
    return text ? text : "";
}

}  // namespace karvelin::net
