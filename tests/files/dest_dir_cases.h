// Destination paths with their answers over the test volumes: D: NTFS,
// F: FAT32, N: "ntfs", M: "NTFS5", E: a drive without a medium (its query
// fails); any other root is unknown.
#pragma once

#include "Karvelin.h"

namespace karvelin::files {

struct PathCase {
    const char* path;
    ResultCode expected;
    const char* root_asked;  // nullptr: no volume query
};

inline const PathCase kPathCases[] = {
    {"", ERR_DEST_PATH_INVALID, nullptr}, {"D", ERR_DEST_PATH_INVALID, nullptr}, {"D:", ERR_DEST_PATH_IS_ROOT, nullptr},
    {"D:\\", ERR_DEST_PATH_IS_ROOT, nullptr}, {"D:\\\\", ERR_DEST_PATH_IS_ROOT, nullptr},
    {"D:\\\\\\", ERR_DEST_PATH_IS_ROOT, nullptr}, {"D:\\Program Files\\app.1", ERR_DEST_PATH_HAS_DOT, nullptr},
    {"D:\\app.1", ERR_DEST_PATH_HAS_DOT, nullptr}, {".\\data", ERR_DEST_PATH_HAS_DOT, nullptr},
    {".\\x", ERR_DEST_PATH_HAS_DOT, nullptr}, {".", ERR_DEST_PATH_HAS_DOT, nullptr},
    {"\\\\server\\share", ERR_DEST_PATH_INVALID, nullptr}, {"D:\\data", 0, "D:\\"}, {"D:\\Server", 0, "D:\\"},
    {"D:\\data\\", 0, "D:\\"}, {"D:\\data\\\\", 0, "D:\\"}, {"D:setup", 0, "D:\\"},
    {"D:/", 0, "D:\\"},  // a forward slash is an ordinary character
    {"F:\\data", ERR_DEST_NOT_NTFS, "F:\\"}, {"F:\\data\\", ERR_DEST_NOT_NTFS, "F:\\"},
    {"N:\\data", ERR_DEST_NOT_NTFS, "N:\\"},  // case-sensitive
    {"M:\\data", ERR_DEST_NOT_NTFS, "M:\\"},  // the whole name
    {"E:\\data", ERR_DEST_PATH_INVALID, "E:\\"}, {"1:\\data", ERR_DEST_PATH_INVALID, "1:\\"},
    {"d:\\data", ERR_DEST_PATH_INVALID, "d:\\"},  // the root is the path's own bytes
};

}  // namespace karvelin::files
