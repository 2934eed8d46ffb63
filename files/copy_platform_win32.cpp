#include <windows.h>

#include "files/copy_platform.h"

namespace karvelin::files {
namespace {

class SystemCopies final : public CopyPlatform {
public:
    void MakeOverwritable(const std::string& destination) override {
        ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    bool Copy(const std::string& source, const std::string& destination) override {
        return ::CopyFileA(source.c_str(), destination.c_str(), FALSE) != FALSE;
    }
};

SystemCopies g_copy;

}  // namespace

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
