// Trees made to trap a tree removal, and the paths every removal refuses.
// Each face builds a trap its own way (Linux modes and links, Windows
// attributes, links made from the Linux side for Wine) and checks that the
// tree is gone and everything beside it is as it was.
#pragma once

#include <cctype>
#include <string>
#include <utility>

namespace karvelin::test {

// The faces a row runs on: the Linux file system; Karvelin.dll under Wine on
// trees it makes itself; under Wine on trees removal_traps_wine.sh makes from
// the Linux side (links, odd names, a mount).
enum RemovalFace : unsigned { kLinux = 1, kWine = 2, kWineLinks = 4 };

// The traps, described by the rows' `what`. Folders: `depth` levels, each
// with a file, made `folders`; Chain: reached through descriptors, on a small
// stack with 64 descriptors; Deep: Linux as Chain, Windows 24 names of 20
// characters; Mixed: read-only and hidden folders, dotted names, links.
enum class Trap { Folders, Names, Entries, Chain, Deep, FolderLink, FileLink, TopLink, LinkForCommands,
                  ViaLinkedFolder, BackslashName, BestFit, Swap, Mount, Mixed, Missing, AFile, SealedParent,
                  LinkedHome };

// What the folders above the deepest are made (on Windows: read-only means
// read-only, hidden and system).
enum class FolderMode { Plain, ReadOnly, NoPermissions, SearchOnly, WriteOnly, WriteAndSearch };

struct RemovalTrap {
    const char* what;
    Trap trap;
    const char* given;  // below the base, a backslash the face's separator (the script names its own trees)
    unsigned faces;
    int depth = 1;
    FolderMode folders = FolderMode::Plain;
};

inline const RemovalTrap kRemovalTraps[] = {
    {"a link to a folder outside", Trap::FolderLink, "tree", kLinux | kWineLinks, 2},
    {"a link to a file outside", Trap::FileLink, "tree", kLinux | kWineLinks},
    {"the path itself a link", Trap::TopLink, "toplink\\", kLinux | kWineLinks},
    {"a link left for the commands", Trap::LinkForCommands, "tree", kWineLinks},
    {"a tree below a linked folder", Trap::ViaLinkedFolder, "tree", kWineLinks},
    {"a name holding a backslash", Trap::BackslashName, "tree", kWineLinks},
    {"full-width dots and backslash", Trap::BestFit, "tree", kWineLinks},
    {"blanks, signs, a 0x5C second byte", Trap::Names, "tree", kLinux | kWine},
    {"trailing separators", Trap::Folders, "tree\\\\\\", kLinux | kWine, 2},
    {"a trailing slash", Trap::Folders, "tree/", kLinux | kWine, 2},
    {"slashes and backslashes", Trap::Folders, "tree\\/\\", kLinux | kWine, 2},
    {"a trailing blank", Trap::Folders, "tree ", kWine, 2},
    {"trailing blanks and dots", Trap::Folders, "tree. .\\", kWine, 2},
    {"read-only folders", Trap::Folders, "tree", kLinux | kWine, 3, FolderMode::ReadOnly},
    {"folders without permissions", Trap::Folders, "tree", kLinux, 3, FolderMode::NoPermissions},
    {"folders with search alone", Trap::Folders, "tree", kLinux, 3, FolderMode::SearchOnly},
    {"folders with write alone", Trap::Folders, "tree", kLinux, 3, FolderMode::WriteOnly},
    {"folders with write and search", Trap::Folders, "tree", kLinux, 3, FolderMode::WriteAndSearch},
    {"30 levels deep", Trap::Folders, "tree\\", kLinux | kWine, 30},
    {"5,000 entries", Trap::Entries, "tree", kLinux | kWine},
    {"1,000 levels, 64 descriptors, a small stack", Trap::Chain, "tree", kLinux, 1000},
    {"deeper than any path reaches", Trap::Deep, "tree", kLinux | kWine, 10000},
    {"a folder swapped with a link to outside, again and again", Trap::Swap, "tree", kLinux},
    {"a folder mounted inside stays", Trap::Mount, "tree", kLinux | kWineLinks},
    {"folders, dotted names and links, two separators", Trap::Mixed, "tree\\\\", kLinux},
    {"a missing path", Trap::Missing, "missing", kLinux},
    {"a file", Trap::AFile, "outside\\ro.txt", kLinux},
    {"a file with a trailing separator", Trap::AFile, "outside\\ro.txt\\", kLinux},
    // The folder that holds the tree keeps its mode (555, for an ordinary user).
    {"a tree in a folder that may not be written", Trap::SealedParent, "sealed\\tree", kLinux},
    // The home below a link (home -> data/home): the folders above where the
    // link leads are the home's too.
    {"the home reached through a link", Trap::LinkedHome, "linkhome\\data", kWineLinks},
};

// Paths refused by every removal: a drive root or the Windows directory in
// any spelling, the empty path. "<win>" stands for the Windows directory
// ("C:\WINDOWS"), "<below>" for it below its drive ("\WINDOWS"); W: is
// another name of drive C:, as subst makes. The faces: the substitute
// volume, the Linux removal, and under Wine a tree beside them (kept whole),
// the Windows directory with W: made by DefineDosDevice (no command started),
// and W: made a link of Wine's drive folder by removal_traps_wine.sh.
enum RefusedFace : unsigned { kFakeVolume = 1, kLinuxPath = 2, kBesideATree = 4, kNoCommands = 8, kDriveLink = 16 };

struct RefusedPath {
    const char* path;
    unsigned faces;
};

inline const RefusedPath kRefusedPaths[] = {
    {"", kFakeVolume | kLinuxPath | kBesideATree | kNoCommands}, {"\\", kBesideATree | kNoCommands},
    {"\\\\\\", kFakeVolume | kBesideATree | kNoCommands}, {"C:", kFakeVolume | kBesideATree | kNoCommands},
    {"c:", kBesideATree}, {"C:\\", kBesideATree | kNoCommands}, {"C:\\\\", kBesideATree}, {"c:\\\\", kFakeVolume},
    {"C:\\\\\\", kNoCommands}, {"C:/", kBesideATree}, {"\\\\?\\C:\\", kBesideATree},
    {"\\\\server\\share\\", kNoCommands}, {"<win>", kFakeVolume | kNoCommands}, {"<win-lower>\\", kNoCommands},
    {"<win>\\..", kFakeVolume}, {"<win>\\..\\.", kNoCommands}, {"<win>\\system32\\..\\", kNoCommands},
    {"<win>.", kNoCommands}, {"<win> ", kNoCommands}, {"<win>. .", kNoCommands}, {"\\\\?\\<win>", kNoCommands},
    {"\\\\.\\<win>", kNoCommands}, {"C:\\WIN~1", kFakeVolume} /* a short name */, {"W:\\", kNoCommands | kDriveLink},
    {"W:\\.", kNoCommands}, {"W:<below>", kFakeVolume | kNoCommands | kDriveLink}, {"w:<below>.", kDriveLink},
    {"W:<below> \\", kDriveLink}, {"w:<below> \\", kNoCommands}, {"\\\\?\\W:<below>", kDriveLink},
    {"W:<below>\\system32\\..", kNoCommands | kDriveLink}, {"W:<below>\\..", kDriveLink},
};

// A refused path as a face spells it, given its Windows directory ("C:\WINDOWS").
inline std::string RefusedSpelling(std::string path, const std::string& windows) {
    std::string lower = windows;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [mark, text] : {std::pair<std::string, std::string>{"<win-lower>", lower},
                                     {"<win>", windows}, {"<below>", windows.substr(2)}})
        if (const std::size_t at = path.find(mark); at != std::string::npos) path.replace(at, mark.size(), text);
    return path;
}

}  // namespace karvelin::test
