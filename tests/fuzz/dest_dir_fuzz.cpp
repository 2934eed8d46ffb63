// Fuzzer: the destination check on any path, under no lead bytes and under
// code pages 932 and 936, with a host whose D:\ is NTFS and E:\ FAT32; every
// answer compared with the plain rendering of the rules.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/dest_dir.h"
#include "fuzz_input.h"
#include "reference.h"

namespace {

class TwoDrives final : public karvelin::files::VolumePlatform {
public:
    bool FileSystemName(const std::string& root, std::string& name, karvelin::SystemError&) override {
        if (root.size() != 3 || root[1] != ':' || root[2] != '\\') std::abort();  // always a drive root
        if (root[0] != 'D' && root[0] != 'E') return false;
        name = root[0] == 'D' ? "NTFS" : "FAT32";
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    const auto path = test::TextCopy(data + 1, size - 1);

    TwoDrives volumes;
    if (files::CheckDestFileDir(path.get(), lead, volumes) != reference::CheckDestFileDir(path.get(), lead))
        std::abort();
    return 0;
}
