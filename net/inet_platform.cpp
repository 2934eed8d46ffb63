// Both platforms have inet_addr under the same name and contract.
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

}  // namespace karvelin::net
