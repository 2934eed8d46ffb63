#include "files/tree_removal.h"

#include <vector>

namespace karvelin::files {
namespace {

constexpr char kAttribCommand[] = "ATTRIB -R -H -S /S /D ";
constexpr char kRmdirCommand[] = "rmdir /S/Q ";

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Equal texts, ASCII letters compared without case; a double-byte
// character's second byte is compared exactly.
bool SameName(const std::string& a, const std::string& b, const LeadBytes& lead_bytes) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t length = lead_bytes.CharLength(a.c_str() + i);
        if (length == 2) {
            if (a.compare(i, 2, b, i, 2) != 0) return false;
        } else if (Folded(a[i]) != Folded(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

bool StartsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

// A full path as the names it passes through: whether it is a network path,
// and its components, empty ones dropped ("C:\\a\" gives "C:", "a").
struct PathNames {
    bool network = false;
    std::vector<std::string> names;
};

PathNames NamesOf(std::string path, const LeadBytes& lead_bytes) {
    PathNames parsed;
    if (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.\\")) {
        path.erase(0, 4);
        if (path.size() >= 4 && SameName(path.substr(0, 4), "UNC\\", lead_bytes)) {
            path.erase(0, 4);
            parsed.network = true;
        }
    } else if (StartsWith(path, "\\\\")) {
        path.erase(0, 2);
        parsed.network = true;
    }
    std::string name;
    for (const char* p = path.c_str(); *p;) {
        const std::size_t length = lead_bytes.CharLength(p);
        if (length == 1 && *p == '\\') {
            if (!name.empty()) parsed.names.push_back(std::move(name));
            name.clear();
        } else {
            name.append(p, length);
        }
        p += length;
    }
    if (!name.empty()) parsed.names.push_back(std::move(name));
    return parsed;
}

// A drive's root, or the top of a share (or of a volume named by a device
// path): nothing below it has been named.
bool IsRoot(const PathNames& path) { return path.names.size() <= (path.network ? 2u : 1u); }

// `path` is `inner` or one of the folders above it.
bool IsSelfOrParent(const PathNames& path, const PathNames& inner, const LeadBytes& lead_bytes) {
    if (path.network != inner.network || path.names.size() > inner.names.size()) return false;
    for (std::size_t i = 0; i < path.names.size(); ++i)
        if (!SameName(path.names[i], inner.names[i], lead_bytes)) return false;
    return true;
}

bool IsDriveForm(const std::string& path) {
    const char letter = Folded(path.size() == 2 ? path[0] : '\0');
    return letter >= 'A' && letter <= 'Z' && path[1] == ':';
}

// A link loses the link itself: a directory link its directory entry, a file
// link its file entry; what it points to is never touched.
void RemoveLink(const std::string& path, std::uint32_t attributes, TreePlatform& tree) {
    if (attributes & kAttributeDirectory)
        tree.RemoveEmptyDirectory(path);
    else
        tree.DeleteEntry(path);
}

// One directory, given without trailing backslashes; `known_directory` when
// its attribute word says it is one (its attributes are then reset before
// its removal: a read-only directory cannot be removed).
void RemoveDirectoryTree(const std::string& directory, bool known_directory, const LeadBytes& lead_bytes,
                         TreePlatform& tree) {
    const std::string prefix = directory + '\\';
    const std::string pattern = prefix + '*';
    tree.ForEachEntry(pattern, [&](const std::string& name, std::uint32_t attributes) {
        if (name == "." || name == "..") return;
        const std::string entry = prefix + name;
        if (attributes & kAttributeReparsePoint) {
            RemoveLink(entry, attributes, tree);
        } else if (attributes & kAttributeDirectory) {
            RemoveDirectoryTree(entry, true, lead_bytes, tree);
        } else {
            tree.ResetAttributes(entry);
            tree.DeleteEntry(entry);
        }
    });
    if (known_directory) tree.ResetAttributes(directory);
    tree.RemoveEmptyDirectory(prefix);
    // The commands come after the walk: a command that runs beside it holds
    // folders open (their removal then fails) and could pass through a link
    // the walk has not yet removed. They now act only on what is left.
    tree.Start(kAttribCommand + QuotedArgument(pattern, lead_bytes));
    tree.Start(kRmdirCommand + QuotedArgument(prefix, lead_bytes));
}

}  // namespace

std::string WithoutTrailingBackslashes(const std::string& path, const LeadBytes& lead_bytes) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = lead_bytes.CharLength(path.c_str() + i);
        if (length == 2 || path[i] != '\\') kept = i + length;
        i += length;
    }
    return path.substr(0, kept);
}

std::string QuotedArgument(const std::string& text, const LeadBytes& lead_bytes) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;  // the run just copied
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = lead_bytes.CharLength(text.c_str() + i);
        if (length == 1 && text[i] == '"') quoted.append(backslashes + 1, '\\');  // 2n + 1 in all, then the quote
        backslashes = length == 1 && text[i] == '\\' ? backslashes + 1 : 0;
        quoted.append(text, i, length);
        i += length;
    }
    quoted.append(backslashes, '\\');  // 2n before the closing quote read back as n
    return quoted + '"';
}

bool IsRefusedPath(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree) {
    const std::string trimmed = WithoutTrailingBackslashes(path, lead_bytes);
    // "C:" names the current folder of drive C, but as a removal it can only
    // be a mistaken root.
    if (trimmed.empty() || IsDriveForm(trimmed)) return true;
    const std::string full = tree.FullPath(path);
    if (full.empty()) return true;  // nothing to compare: not removed
    const PathNames names = NamesOf(full, lead_bytes);
    if (IsRoot(names)) return true;
    const std::string windows = tree.WindowsDirectory();
    return !windows.empty() && IsSelfOrParent(names, NamesOf(windows, lead_bytes), lead_bytes);
}

void RemoveTree(const char* path, const LeadBytes& lead_bytes, TreePlatform& tree) {
    if (IsRefusedPath(path, lead_bytes, tree)) return;
    const std::string directory = WithoutTrailingBackslashes(path, lead_bytes);
    const std::uint32_t attributes = tree.Attributes(directory);
    const bool exists = attributes != kNoAttributes;
    if (exists && (attributes & kAttributeReparsePoint)) return RemoveLink(directory, attributes, tree);
    RemoveDirectoryTree(directory, exists && (attributes & kAttributeDirectory), lead_bytes, tree);
}

}  // namespace karvelin::files
