// What the tree removal asks of Windows: listing, attributes, deletion, and
// starting the two clean-up commands.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace karvelin::files {

inline constexpr std::uint32_t kAttributeDirectory = 0x10;     // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
inline constexpr std::uint32_t kNoAttributes = 0xFFFFFFFF;      // INVALID_FILE_ATTRIBUTES

class TreePlatform {
public:
    using Visit = std::function<void(const std::string& name, std::uint32_t attributes)>;

    virtual ~TreePlatform() = default;
    // The path made absolute by the system's own rules (current directory,
    // ".", "..", "/"), in its long form where it exists; empty when the system
    // cannot make it.
    virtual std::string FullPath(const std::string& path) = 0;
    // The Windows directory ("C:\WINDOWS"); empty when it cannot be had.
    virtual std::string WindowsDirectory() = 0;
    // The attribute word of the path itself (a link's own), kNoAttributes
    // when it does not exist.
    virtual std::uint32_t Attributes(const std::string& path) = 0;
    // Each entry of the listing of the pattern ("dir\*"), with its attribute
    // word, "." and ".." included; nothing when no listing can be opened.
    virtual void ForEachEntry(const std::string& pattern, const Visit& visit) = 0;
    // The steps' own calls; their results are not needed.
    virtual void ResetAttributes(const std::string& path) = 0;  // to FILE_ATTRIBUTE_NORMAL
    virtual void DeleteEntry(const std::string& path) = 0;      // DeleteFileA
    virtual void RemoveEmptyDirectory(const std::string& path) = 0;  // RemoveDirectoryA
    // Starts the command line, window hidden, without waiting (WinExec).
    virtual void Start(const std::string& command_line) = 0;
};

// The Win32 calls (Windows only): one shared object, for one thread at a
// time (it keeps what it learnt about links); DelFilesAndDir makes one per call.
TreePlatform& SystemTree();

}  // namespace karvelin::files
