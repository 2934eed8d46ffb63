#include "files/copy_file.h"

namespace karvelin::files {

std::int32_t CopyTheFile(const char* source, const char* destination, CopyPlatform& files) {
    files.MakeOverwritable(destination);
    return files.Copy(source, destination) ? 1 : 0;
}

}  // namespace karvelin::files
