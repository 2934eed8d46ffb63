// Every C export of the library, and where each function meets the system's
// side of its seams. Each export runs its function through Guard: no C++
// exception leaves it (a failed allocation above all), and the value after
// the guard's first argument is the answer when one was caught. A native
// caller's NULL text is taken as the empty text. The Python module calls the
// same functions.
#include <cstring>
#include <string>
#include <type_traits>

#include "Karvelin.h"
#include "checks/admin_check.h"
#include "checks/os_checks.h"
#include "checks/product_registry.h"
#include "common/lead_bytes_platform.h"
#include "common/no_throw.h"
#include "files/copy_file.h"
#include "files/dest_dir.h"
#include "files/run_silent.h"
#include "files/special_folders.h"
#include "files/tree_removal.h"
#include "module/error_description.h"
#include "module/function_table.h"
#include "net/adapter_inventory.h"
#include "net/address_validation.h"
#include "net/host_addresses.h"
#include "text/recode.h"
#include "text/trim_names.h"

using karvelin::Guard;
using karvelin::SystemRegistry;
using karvelin::TextOrEmpty;
namespace checks = karvelin::checks;
namespace files = karvelin::files;
namespace net = karvelin::net;
namespace text = karvelin::text;

// Each export has the type its table row gives, and Karvelin.h declares.
#define KARVELIN_CHECK_TYPE(name, type, ...) \
    static_assert(std::is_same_v<decltype(::name), type>, #name " differs from its table row");
KARVELIN_FUNCTIONS(KARVELIN_CHECK_TYPE)
#undef KARVELIN_CHECK_TYPE

extern "C" {

ResultCode CheckOS(void) {
    return Guard(ERR_OS_UNSUPPORTED, [] { return checks::CheckOS(checks::SystemHost()); });
}
ResultCode CheckIeVersion(void) {
    return Guard(ERR_VERSION_TOO_OLD, [] { return checks::CheckIeVersion(SystemRegistry()); });
}
int32_t FindServerVersion(void) {
    return Guard(0, [] { return checks::FindServerVersion(checks::SystemHost()); });
}
int32_t RunSilent(const char* command, const char* argument) {
    return karvelin::entry::PrepareRunSilent(command, argument)();  // answers 8 itself when short of memory
}
ResultCode CheckUserRight(void) {
    return Guard(ERR_TOKEN_ALLOC, [] { return checks::CheckUserRight(checks::SystemToken()); });
}
int32_t GetCurrentInstallationType(void) {
    return Guard(2, [] { return checks::GetCurrentInstallationType(SystemRegistry()); });
}
char* Recode(const char* bytes, uint32_t n) {
    return Guard(nullptr, [&] { return text::Recode(bytes ? bytes : "", bytes ? n : 0, text::SystemAllocator()); });
}
char* Decode(const char* encoded, uint32_t m) {
    return Guard(nullptr, [&] { return text::Decode(encoded ? encoded : "", encoded ? m : 0, text::SystemAllocator()); });
}
int32_t CreateShortcut(const char* target, const char* arguments, const char* working_dir, const char* link_path,
                       const char* description) {
    return Guard(files::kNoShellLink, [&] {
        return files::CreateShortcut({TextOrEmpty(target), TextOrEmpty(arguments), TextOrEmpty(working_dir),
                                      TextOrEmpty(link_path), TextOrEmpty(description)},
                                     files::SystemShell());
    });
}
const char* GetWinDeskTopDir(void) { return files::GetWinDeskTopDir(files::SystemShell()); }
const char* GetWinProgramDir(void) { return files::GetWinProgramDir(files::SystemShell()); }
const char* GetWindowsDir(void) { return files::GetWindowsDir(files::SystemShell()); }
ResultCode GetAddress(char* buffer) {
    karvelin::TextBuffer text{buffer, karvelin::kUnknownSize};
    return karvelin::entry::GetAddress(text);
}
int32_t GetHostIPAddr(char* buffer) {
    karvelin::TextBuffer records{buffer, karvelin::kUnknownSize};
    return karvelin::entry::GetHostIPAddr(records).value;
}
void TrimRight(char* text) {
    karvelin::TextBuffer buffer{text, karvelin::kUnknownSize};
    karvelin::entry::TrimRight(buffer);
}
void TrimLeft(char* text) {
    karvelin::TextBuffer buffer{text, karvelin::kUnknownSize};
    karvelin::entry::TrimLeft(buffer);
}
ResultCode ValidateNet(const char* host, const char* mask, const char* network, const char* other) {
    return Guard(ERR_NET_BAD_ADDRESS, [&] {
        return net::ValidateNet(TextOrEmpty(host), TextOrEmpty(mask), TextOrEmpty(network), TextOrEmpty(other),
                                net::SystemInet());
    });
}
int32_t ValidateTheIP(const char* address) {
    return Guard(0, [&] { return net::ValidateTheIP(TextOrEmpty(address), net::SystemInet()); });
}
int32_t CopyTheFile(const char* source, const char* destination) {
    return Guard(0, [&] { return files::CopyTheFile(TextOrEmpty(source), TextOrEmpty(destination), files::SystemCopy()); });
}
ResultCode IsLetterfigureString(const char* text) {
    return Guard(ERR_NOT_LETTERFIGURE, [&] { return text::IsLetterfigureString(TextOrEmpty(text)); });
}
ResultCode CheckBureauName(const char* name) {
    return Guard(ERR_BAD_BUREAU_NAME,
                 [&] { return text::CheckBureauName(TextOrEmpty(name), karvelin::SystemLeadBytes()); });
}
ResultCode CheckDestFileDir(const char* path) {
    return Guard(ERR_DEST_PATH_INVALID, [&] {
        return files::CheckDestFileDir(TextOrEmpty(path), karvelin::SystemLeadBytes(), files::SystemVolume());
    });
}
void DelFilesAndDir(const char* path) { karvelin::entry::PrepareDelFilesAndDir(path)(); }
const char* GetErrorDescription(ResultCode code) { return karvelin::module::ErrorDescription(code); }

}  // extern "C"
