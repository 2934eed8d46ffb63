// Linux has no drive letters: every volume query fails, so every path that
// passes the text rules answers ERR_DEST_PATH_INVALID.
#include "files/dest_dir.h"

namespace karvelin::files {
namespace {

class NoDriveLetters final : public VolumeQuery {
public:
    bool FileSystemName(const std::string&, std::string&) override { return false; }
};

}  // namespace

VolumeQuery& SystemVolumeQuery() {
    static NoDriveLetters volumes;
    return volumes;
}

}  // namespace karvelin::files
