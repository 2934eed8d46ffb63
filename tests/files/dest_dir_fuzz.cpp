// Fuzzer: the destination check on any path, under no lead bytes and under
// code pages 932 and 936, with a volume query that answers NTFS for D:\ only.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/dest_dir.h"
#include "fuzz_input.h"

namespace {

class OneNtfsDrive final : public karvelin::files::VolumePlatform {
public:
    bool FileSystemName(const std::string& root, std::string& name) override {
        if (root.size() != 3 || root[1] != ':' || root[2] != '\\') std::abort();  // always a drive root
        if (root[0] != 'D') return false;
        name = "NTFS";
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    const std::unique_ptr<char[]> path = test::TextCopy(data + 1, size - 1);

    OneNtfsDrive volumes;
    const ResultCode result = files::CheckDestFileDir(path.get(), lead, volumes);
    switch (result) {
        case 0:
            if (path[0] != 'D' || path[1] != ':' || (std::strchr(path.get(), '.') != nullptr && lead.Empty()))
                std::abort();
            break;
        case ERR_DEST_PATH_INVALID:
        case ERR_DEST_PATH_HAS_DOT:
        case ERR_DEST_PATH_IS_ROOT:
            break;
        default:
            std::abort();  // no other answer is possible with this drive
    }
    return 0;
}
