#include <arpa/inet.h>

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
