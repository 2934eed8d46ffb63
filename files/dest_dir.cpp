#include "files/dest_dir.h"

#include <string_view>

#include "common/log_tell.h"

namespace karvelin::files {
namespace {

constexpr char kFunction[] = "CheckDestFileDir";

// "<step>: <object>: <why>", and the system's error when there is one.
ResultCode Refused(ResultCode code, const char* step, std::string_view object, std::string_view why,
                   SystemError error = 0) {
    log::Tell([&] {
        log::Failure(kFunction, std::string(step) + ": " + std::string(object) + ": " + std::string(why) +
                                    (error ? ErrorText(error) : ""));
    });
    return code;
}

}  // namespace

ResultCode CheckDestFileDir(const char* path, const LeadBytes& lead_bytes, VolumePlatform& volumes) {
    // 1. No dot anywhere, character by character under the ANSI code page.
    for (const char* p = path; *p; p += lead_bytes.CharLength(p))
        if (*p == '.') return Refused(ERR_DEST_PATH_HAS_DOT, "check", path, "a dot");

    // 2. A drive form: at least two bytes, the second a colon.
    if (path[0] == '\0' || path[1] != ':')
        return Refused(ERR_DEST_PATH_INVALID, "check", path, "no drive letter and colon");

    // 3. The drive root: the first two bytes and a backslash.
    const std::string root{path[0], path[1], '\\'};

    // 4. More than the bare drive: without its trailing backslashes (a
    //    double-byte character's second byte is no backslash), the path must
    //    not end in the colon.
    const std::size_t kept = LengthWithoutTrailingBackslashes(path, lead_bytes);
    if (kept > 0 && path[kept - 1] == ':')
        return Refused(ERR_DEST_PATH_IS_ROOT, "check", path, "the bare drive");

    // 5. The volume of the drive; 6. its file system, exactly "NTFS".
    std::string file_system;
    SystemError error = 0;
    if (!volumes.FileSystemName(root, file_system, error))
        return Refused(ERR_DEST_PATH_INVALID, "query volume", root, "", error);
    if (file_system != "NTFS") {
        log::Tell([&] { log::Failure(kFunction, "query volume: " + root + ": " + file_system + ", not NTFS"); });
        return ERR_DEST_NOT_NTFS;
    }
    log::Tell([&] { log::Step(kFunction, "query volume: " + root + ": NTFS"); });
    return 0;
}

}  // namespace karvelin::files
