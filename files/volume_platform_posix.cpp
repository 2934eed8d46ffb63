// Linux has no drive letters: every volume query fails, so every path that
// passes the text rules answers ERR_DEST_PATH_INVALID.
#include <cerrno>

#include "files/volume_platform.h"

namespace karvelin::files {
namespace {

class NoDriveLetters final : public VolumePlatform {
public:
    bool FileSystemName(const std::string&, std::string&, SystemError& error) override {
        error = ENOENT;
        return false;
    }
};

NoDriveLetters g_volumes;

}  // namespace

VolumePlatform& SystemVolume() { return g_volumes; }

}  // namespace karvelin::files
