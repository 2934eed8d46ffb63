#include "files/dest_dir.h"

namespace karvelin::files {

ResultCode CheckDestFileDir(const char* path, const LeadBytes& lead_bytes, VolumePlatform& volumes) {
    // 1. No dot anywhere, character by character under the ANSI code page.
    for (const char* p = path; *p; p += lead_bytes.CharLength(p))
        if (*p == '.') return ERR_DEST_PATH_HAS_DOT;

    // 2. A drive form: at least two bytes, the second a colon.
    if (path[0] == '\0' || path[1] != ':') return ERR_DEST_PATH_INVALID;

    // 3. The drive root: the first two bytes and a backslash.
    const std::string root{path[0], path[1], '\\'};

    // 4. More than the bare drive: without its trailing backslashes (a
    //    double-byte character's second byte is no backslash), the path must
    //    not end in the colon.
    const std::size_t kept = LengthWithoutTrailingBackslashes(path, lead_bytes);
    if (kept > 0 && path[kept - 1] == ':') return ERR_DEST_PATH_IS_ROOT;

    // 5. The volume of the drive; 6. its file system, exactly "NTFS".
    std::string file_system;
    if (!volumes.FileSystemName(root, file_system)) return ERR_DEST_PATH_INVALID;
    return file_system == "NTFS" ? 0 : ERR_DEST_NOT_NTFS;
}

}  // namespace karvelin::files
