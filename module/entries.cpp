// The text-buffer functions told their buffer's size, and RunSilent and
// CopyTheFile in two steps: what the C exports, the Python modules and the karvelin program
// call. In an object of their own, so that a program can take them without
// the C exports.
#include <cstring>
#include <string>

#include "common/log_tell.h"
#include "common/no_throw.h"
#include "files/copy_file.h"
#include "files/run_silent.h"
#include "files/tree_removal.h"
#include "module/function_table.h"
#include "net/adapter_inventory.h"
#include "net/host_addresses.h"
#include "text/trim_names.h"

namespace karvelin {
namespace {

// Writes an output at the start of the buffer when it fits; otherwise sets
// `needed` and writes nothing. A buffer of unknown size has room.
void WriteOutput(const char* function, TextBuffer& buffer, const std::string& output) {
    if (!buffer.data || output.empty()) return;
    const bool ends_in_nul = output.back() == '\0';
    const std::size_t needed = output.size() + (buffer.last_is_terminator && !ends_in_nul ? 1 : 0);
    if (buffer.size != kUnknownSize && needed > buffer.size) {
        buffer.needed = needed;
        log::Tell([&] {
            log::Failure(function, "write: buffer of " + std::to_string(buffer.size) + " bytes: " +
                                       std::to_string(needed) + " needed");
        });
        return;
    }
    std::memcpy(buffer.data, output.data(), output.size());
}

std::int32_t WriteHostAddresses(TextBuffer& buffer) {
    std::string records;
    const std::int32_t answer = net::HostAddressRecords(records, net::SystemHostLookup());
    WriteOutput("GetHostIPAddr", buffer, records);
    return answer;
}

}  // namespace
}  // namespace karvelin

namespace karvelin::entry {

files::SilentRun PrepareRunSilent(const char* command, const char* argument) noexcept {
    return files::SilentRun(TextOrEmpty(command), TextOrEmpty(argument), files::SystemProcess());
}
files::PreparedCopy PrepareCopyTheFile(const char* source, const char* destination) noexcept {
    return files::PreparedCopy(TextOrEmpty(source), TextOrEmpty(destination), files::SystemCopy());
}

files::TreeRemoval PrepareDelFilesAndDir(const char* path) noexcept {
#ifdef _WIN32
    return files::TreeRemoval(TextOrEmpty(path), files::SystemTree(), &files::SystemTreeCommands());
#else
    return files::TreeRemoval(TextOrEmpty(path), files::SystemTree());
#endif
}

UnusedInPython GetHostIPAddr(TextBuffer& buffer) noexcept {
    return {Guard(net::kSocketError, [&] { return WriteHostAddresses(buffer); })};
}
ResultCode GetAddress(TextBuffer& buffer) noexcept {
    return Guard(ERR_ADAPTER_INFO, [&] {
        const auto text = net::AdapterInventory(net::SystemAdapters(), net::SystemDevices(), net::SystemInet());
        if (!text) return ERR_ADAPTER_INFO;
        WriteOutput("GetAddress", buffer, *text);
        return ResultCode{0};
    });
}
void TrimRight(TextBuffer& buffer) noexcept {
    if (buffer.data) Guard([&] { text::TrimRight(buffer.data, buffer.size); });
}
void TrimLeft(TextBuffer& buffer) noexcept {
    if (buffer.data) Guard([&] { text::TrimLeft(buffer.data, buffer.size); });
}

}  // namespace karvelin::entry
