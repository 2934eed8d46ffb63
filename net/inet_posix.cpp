#include <arpa/inet.h>

#include "net/address_validation.h"

namespace karvelin::net {

std::uint32_t PlatformInetAddr(const char* text) { return ::inet_addr(text); }

}  // namespace karvelin::net
