// Linux: the network interfaces of the caller's network namespace, as the
// kernel's routing socket lists them (an RTM_GETLINK dump). The interface
// name stands for the instance identifier; a name set by the administrator
// (its alias) is the friendly name. /sys/class/net would not do: it shows the
// namespace of whoever mounted /sys, so in another namespace an alias would
// be missing, or be that of a namesake outside.
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/posix_owners.h"
#include "net/device_platform.h"

namespace karvelin::net {
namespace {

constexpr std::uint32_t kDumpSequence = 1;

// An attribute's text: up to its NUL, within its payload.
std::string AttributeText(const rtattr* attribute) {
    const char* text = static_cast<const char*>(RTA_DATA(attribute));
    return std::string(text, ::strnlen(text, RTA_PAYLOAD(attribute)));
}

// One answer of the link dump (`size` bytes of messages): the interfaces it
// describes are appended to `devices`. More: the dump goes on; End: it is
// whole; Failed: the kernel answered an error, or a message is cut short.
enum class LinkDump { More, End, Failed };
LinkDump ReadLinkDump(const void* data, std::size_t size, std::vector<NetworkDevice>& devices) {
    auto length = static_cast<unsigned int>(size);
    for (auto message = static_cast<const nlmsghdr*>(data); NLMSG_OK(message, length);
         message = NLMSG_NEXT(message, length)) {
        if (message->nlmsg_seq != kDumpSequence) continue;  // not an answer to this dump
        if (message->nlmsg_type == NLMSG_DONE) return LinkDump::End;
        if (message->nlmsg_type == NLMSG_ERROR) return LinkDump::Failed;
        if (message->nlmsg_type != RTM_NEWLINK || message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) continue;
        const auto link = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
        // Every interface is an adapter, the loopback and the virtual ones
        // (bridge, dummy, tunnel, veth) too.
        NetworkDevice device;
        device.adapter = true;
        int attributes = static_cast<int>(IFLA_PAYLOAD(message));
        for (const rtattr* attribute = IFLA_RTA(link); RTA_OK(attribute, attributes);
             attribute = RTA_NEXT(attribute, attributes)) {
            if (attribute->rta_type == IFLA_IFNAME) device.instance_id = AttributeText(attribute);
            if (attribute->rta_type == IFLA_IFALIAS) device.friendly_name = AttributeText(attribute);
        }
        if (!device.instance_id || device.instance_id->empty()) continue;
        if (device.friendly_name && device.friendly_name->empty()) device.friendly_name.reset();
        devices.push_back(std::move(device));
    }
    // A message cut short is no answer.
    return length == 0 ? LinkDump::More : LinkDump::Failed;
}

class SystemDevicePlatform final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> NetworkDevices(SystemError* error) override {
        const posix::unique_fd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
        // The system's error, for the log, of whichever call failed.
        const auto failed = [error] {
            if (error) *error = errno;
            return std::nullopt;
        };
        if (!socket) return failed();
        // The kernel answers at once; a second is far more than it takes.
        const timeval limit{1, 0};
        ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        struct {
            nlmsghdr header;
            ifinfomsg link;
        } request{};
        request.header.nlmsg_len = sizeof request;
        request.header.nlmsg_type = RTM_GETLINK;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = kDumpSequence;
        request.link.ifi_family = AF_UNSPEC;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(socket.get(), &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&kernel),
                     sizeof kernel) != static_cast<ssize_t>(sizeof request))
            return failed();
        std::vector<NetworkDevice> devices;
        std::vector<char> buffer(1 << 16);
        for (;;) {
            sockaddr_nl from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = ::recvfrom(socket.get(), buffer.data(), buffer.size(), MSG_TRUNC,
                                            reinterpret_cast<sockaddr*>(&from), &from_size);
            if (size < 0 && errno == EINTR) continue;
            // Only the kernel's answer, and only whole.
            if (size < 0) return failed();
            if (size == 0 || static_cast<std::size_t>(size) > buffer.size()) return std::nullopt;
            if (from.nl_pid != 0) continue;
            switch (ReadLinkDump(buffer.data(), static_cast<std::size_t>(size), devices)) {
                case LinkDump::More: break;
                case LinkDump::End: return devices;
                case LinkDump::Failed: return std::nullopt;
            }
        }
    }
};

SystemDevicePlatform g_devices;

}  // namespace

DevicePlatform& SystemDevices() { return g_devices; }

}  // namespace karvelin::net
