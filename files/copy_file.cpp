#include "files/copy_file.h"

#include "common/log.h"
#include "common/log_tell.h"
#include "common/no_throw.h"

namespace karvelin::files {

PreparedCopy::PreparedCopy(const char* source, const char* destination, CopyPlatform& files) noexcept
    : files_(Guard(nullptr, [&] { return files.Prepare(source, destination); })) {}

std::int32_t PreparedCopy::operator()() noexcept {
    if (!files_) return 0;
    return Guard(0, [&] {
        const FoundFile source = files_->Source(), destination = files_->Destination();
        // Onto itself, through a link or another spelling: the copy would
        // empty the source. Refused while the source is still as it was.
        if (SameObject(source, destination)) {
            log::Tell([&] {
                log::Failure("CopyTheFile", "destination refused: it is the source itself, by another name");
            });
            return 0;
        }
        files_->MakeOverwritable();
        return files_->Copy() ? 1 : 0;
    });
}

std::int32_t CopyTheFile(const char* source, const char* destination, CopyPlatform& files) {
    return PreparedCopy(source, destination, files)();
}

}  // namespace karvelin::files
